// A test program runs all of a lane's tests in one process, so one test that
// hangs (a message box nobody answers, a wait that never ends) would hold the
// whole lane until ctest's timeout and leave no word of which test it was.
// The watchdog names it and ends the program instead.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace {

// Far above what any test takes: each bounds its own waits well below this.
constexpr DWORD kLimitMs = 300000;

class Watchdog : public ::testing::EmptyTestEventListener {
public:
    Watchdog() { thread_ = CreateThread(nullptr, 0, &Watch, this, 0, nullptr); }

private:
    void OnTestStart(const ::testing::TestInfo& test) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        name_ = std::string(test.test_suite_name()) + "." + test.name();
        started_ = GetTickCount();
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        name_.clear();
    }

    static DWORD WINAPI Watch(void* self)
    {
        Watchdog& dog = *static_cast<Watchdog*>(self);
        for (;;) {
            Sleep(1000);
            std::string name;
            {
                std::lock_guard<std::mutex> hold(dog.lock_);
                if (!dog.name_.empty() && GetTickCount() - dog.started_ > kLimitMs)
                    name = dog.name_;
            }
            if (!name.empty()) {
                std::printf("[  TIMEOUT ] %s did not end within %lu s: the program stops here\n", name.c_str(),
                            static_cast<unsigned long>(kLimitMs / 1000));
                std::fflush(stdout);
                ExitProcess(3);
            }
        }
    }

    std::mutex lock_;
    std::string name_;
    DWORD started_ = 0;
    HANDLE thread_ = nullptr;
};

// Appended before main runs the tests; the listener list owns it.
const bool g_watching = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    return true;
}();

} // namespace
