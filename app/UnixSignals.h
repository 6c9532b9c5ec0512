#pragma once
// SIGTERM and SIGINT (logout, Ctrl+C in the terminal) close the program
// through the main window's normal close path, so the settings are written.
// The signal handler only writes one byte into a pipe; the byte is read on
// the GUI thread, which then emits terminationRequested.

#include <QObject>

class QSocketNotifier;

namespace korvanta {

class TUnixSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers for SIGTERM and SIGINT. Only one instance may
    // exist at a time; destroying it restores the default handlers.
    explicit TUnixSignals(QObject* parent = nullptr);
    ~TUnixSignals() override;

    bool installed() const { return notifier_ != nullptr; }

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace korvanta
