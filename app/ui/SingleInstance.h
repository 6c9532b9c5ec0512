#pragma once
// One program per settings file: two programs writing the same file at
// exit would lose one's settings. The first start takes a lock beside the
// settings file and listens on a local socket named after the file; a later
// start with the same file finds the lock held, asks the first program to
// come to the front and ends. A lock left by a program that died is taken
// over. Starts with other settings files are not refused.

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace korvanta {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& settingsPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this program is the only one on its settings file (it then
    // keeps the lock until it ends). False when another one holds it: that
    // one has been asked to come to the front.
    bool Claim();

    // The text for a refused start, in German ('D') or English.
    static QString AlreadyRunningText(char language, const QString& settingsPath);
    // The local socket's name for a settings file.
    static QString ServerName(const QString& settingsPath);

signals:
    // Another start with this settings file was refused.
    void anotherStart();

private:
    bool askFirstToFront() const;

    QString settingsPath_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace korvanta
