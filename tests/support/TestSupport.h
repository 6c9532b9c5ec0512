#pragma once
// Helpers shared by the tests: recording modal questions, scratch
// directories and running a piece of a test in a child process (for paths
// that end the process, and for checks that need an unprivileged user).

#include "platform/ModalQuestions.h"

#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <vector>

using namespace korvanta;

// Installs a modal hook for its lifetime. Every question is recorded;
// answers are taken from the queue, or the default answer when it is empty.
class ModalRecorder {
public:
    ModalRecorder();
    ~ModalRecorder();
    ModalRecorder(const ModalRecorder&) = delete;
    ModalRecorder& operator=(const ModalRecorder&) = delete;

    void enqueue(const modal::Answer& answer) { answers_.push_back(answer); }
    void answerButton(int button);
    void answerFile(const QString& fileName);   // accepted file dialog
    void answerCancel();                        // cancelled dialog
    void answerColor(unsigned colorRef);

    const std::vector<modal::Question>& questions() const { return questions_; }
    QStringList messageTexts() const;
    void clear() { questions_.clear(); }

    modal::Answer defaultAnswer; // Ok, accepted, no file name

private:
    std::vector<modal::Question> questions_;
    std::deque<modal::Answer> answers_;
};

// A fresh scratch directory for one test, removed afterwards.
class ScratchDir {
public:
    ScratchDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
};

struct ChildResult {
    bool exited = false;   // ended by exit(), not by a signal
    int exitCode = -1;
    int signal = 0;
    QString stdErr;        // what the child wrote to stderr
};

// Runs `body` in a forked child and returns how it ended; the child's return
// value becomes its exit code. With dropPrivileges the child first becomes
// the user "nobody" (tests run as root in CI, where permission checks are
// otherwise void).
ChildResult RunInChild(const std::function<int()>& body, bool dropPrivileges = false);

// Uid/gid the unprivileged children run as.
unsigned NobodyUid();
unsigned NobodyGid();
