#pragma once
#include <cstdint>

/// A clock the test moves by hand. Code under test takes its time from the
/// caller, so a test hands it Now() (or the static trampoline) and advances
/// days in microseconds.
class FakeClock {
public:
    explicit FakeClock(uint64_t startMs = 1'000'000) : m_nowMs(startMs) {}

    uint64_t NowMs() const { return m_nowMs; }
    uint64_t NowSeconds() const { return m_nowMs / 1000; }
    void AdvanceMs(uint64_t ms) { m_nowMs += ms; }
    void AdvanceSeconds(uint64_t s) { m_nowMs += s * 1000; }
    void SetMs(uint64_t ms) { m_nowMs = ms; }

    /// For interfaces that take a plain function pointer and a context.
    static uint64_t NowMsOf(void* clock) { return static_cast<FakeClock*>(clock)->NowMs(); }

private:
    uint64_t m_nowMs;
};
