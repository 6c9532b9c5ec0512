#include "tests/support/TestSupport.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

ModalRecorder::ModalRecorder()
{
    modal::SetHook([this](const modal::Question& q) {
        questions_.push_back(q);
        if (answers_.empty())
            return defaultAnswer;
        modal::Answer a = answers_.front();
        answers_.pop_front();
        return a;
    });
}

ModalRecorder::~ModalRecorder() { modal::SetHook({}); }

void ModalRecorder::answerButton(int button)
{
    modal::Answer a;
    a.button = button;
    enqueue(a);
}

void ModalRecorder::answerFile(const QString& fileName)
{
    modal::Answer a;
    a.fileName = fileName;
    enqueue(a);
}

void ModalRecorder::answerCancel()
{
    modal::Answer a;
    a.accepted = false;
    a.button = modal::Cancel;
    enqueue(a);
}

void ModalRecorder::answerColor(unsigned colorRef)
{
    modal::Answer a;
    a.colorRef = colorRef;
    enqueue(a);
}

QStringList ModalRecorder::messageTexts() const
{
    QStringList texts;
    for (const auto& q : questions_)
        if (q.type == modal::Type::Message)
            texts << q.text;
    return texts;
}

ScratchDir::ScratchDir() { dir_.setAutoRemove(true); }

void ScratchDir::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray ScratchDir::read(const QString& name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

unsigned NobodyUid()
{
    const passwd* pw = ::getpwnam("nobody");
    return pw ? pw->pw_uid : 65534;
}

unsigned NobodyGid()
{
    const passwd* pw = ::getpwnam("nobody");
    return pw ? pw->pw_gid : 65534;
}

ChildResult RunInChild(const std::function<int()>& body, bool dropPrivileges)
{
    int errPipe[2];
    ChildResult result;
    if (::pipe(errPipe) != 0)
        return result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(errPipe[0]);
        ::dup2(errPipe[1], STDERR_FILENO);
        if (dropPrivileges && ::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(NobodyGid()) != 0 || ::setuid(NobodyUid()) != 0)
                ::_exit(125);
        }
        const int code = body();
        ::fflush(nullptr);
        ::_exit(code);
    }
    ::close(errPipe[1]);
    QByteArray err;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(errPipe[0], buf, sizeof buf)) > 0)
        err.append(buf, n);
    ::close(errPipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exited = WIFEXITED(status);
    result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.stdErr = QString::fromLocal8Bit(err);
    return result;
}
