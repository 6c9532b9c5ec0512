#pragma once
// A device thread that the GUI thread can give up on.
//
// A sound server that has been stopped (SIGSTOP) leaves alsa-lib's client
// waiting half a minute in every call that needs an answer (drop, close).
// The GUI thread never waits that long: finish() waits a bounded time, and
// if the body is still inside the device it is left to end on its own. The
// body must therefore own (through shared pointers) everything it touches
// after it has been told to stop; the stream it holds is closed when the
// body lets go of it, on that thread.
//
// Every member is for the GUI thread.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace korvanta {

class DeviceThread {
public:
    // How long the GUI thread waits for a device call before it gives up.
    static constexpr int kAbandonMs = 2000;
    // How long it waits for a device that has already failed (stalled or
    // gone): its thread ends at once unless the device hangs, and two such
    // devices (input and output of a stopped server) must not add up to a
    // frozen window.
    static constexpr int kAfterFaultMs = 250;
    // How long start-up waits for a device or mixer to answer its open. A
    // server that answers does so in tens of milliseconds; a stopped one
    // must not keep the window from showing within two seconds.
    static constexpr int kOpenAnswerMs = 1500;

    DeviceThread() = default;
    ~DeviceThread() { finish(kAbandonMs); }
    DeviceThread(const DeviceThread&) = delete;
    DeviceThread& operator=(const DeviceThread&) = delete;

    void start(std::function<void()> body);
    // Whether a body was started and has been neither joined nor abandoned.
    bool active() const { return thread_.joinable(); }
    // Waits up to `ms` for the body to return. True: it has (or none ran).
    // False: it is stuck and has been abandoned (detached).
    bool finish(int ms);

private:
    struct State {
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
    };
    std::shared_ptr<State> state_;
    std::thread thread_;
};

// Runs `call` on a thread of its own and waits up to `ms` for it.
// Returns false when it had to leave the call running (then `call` owns
// what it uses and `result` is not written).
bool RunBounded(const std::function<int()>& call, int& result, int ms = DeviceThread::kAbandonMs);

} // namespace korvanta
