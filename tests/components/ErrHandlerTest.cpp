#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/ErrHandler.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"

using namespace nalo;

namespace {

int recurse(int n) {
    volatile char pad[4096];
    pad[0] = static_cast<char>(n);
    return n > 1'000'000'000 ? pad[0] : recurse(n + 1) + pad[0];
}

template <class F>
std::string faultName(F f) {
    try {
        guardedCall(f);
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 10000);
        EXPECT_EQ(e.source(), "MyExceptionFilter");
        return e.description();
    }
    return "no error";
}

TEST(ErrHandler, FaultsInGuardedCallsBecomeError10000WhileInstalled) {
    SetUnhandledExceptionFilter(true);
    EXPECT_EQ(faultName([] { return test::touchNull(); }), "Access Violation");
    EXPECT_EQ(faultName([] { return test::divide(7, 0); }), "Integer Divide By Zero");
    EXPECT_EQ(faultName([] { __builtin_trap(); }), "Illegal Instruction");
    EXPECT_EQ(faultName([] { asm volatile("int3"); }), "Breakpoint");
    EXPECT_EQ(faultName([] { return recurse(0); }), "Stack Overflow");
    // The guard is reusable after a fault, and a normal call passes its result.
    EXPECT_EQ(faultName([] { return test::touchNull(); }), "Access Violation");
    EXPECT_EQ(guardedCall([] { return 42; }), 42);
    SetUnhandledExceptionFilter(false);
}

TEST(ErrHandlerDeathTest, AfterRemovalTheFaultIsNotTranslated) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The threadsafe style runs the child as a new process: under AddressSanitizer it
    // starts without the sanitizer's own SEGV handler, so the fault kills it as it would.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string saved = asan ? asan : "";
    setenv("ASAN_OPTIONS", (saved + (saved.empty() ? "" : ":") + "handle_segv=0").c_str(), 1);
    SetUnhandledExceptionFilter(true);
    SetUnhandledExceptionFilter(false);
    EXPECT_EXIT(guardedCall([] { return test::touchNull(); }), ::testing::KilledBySignal(SIGSEGV), "");
    if (asan) setenv("ASAN_OPTIONS", saved.c_str(), 1);
    else unsetenv("ASAN_OPTIONS");
}

TEST(ErrHandler, FilterNamesTheFirstCauseAndTheTableCoversUnknownCodes) {
    ExceptionRecord first{0xC0000094, nullptr}, second{0xC0000005, &first};
    try {
        MyExceptionFilter({&second});
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.description(), "Integer Divide By Zero");
    }
    EXPECT_EQ(MyExceptionFilter({nullptr}), 0);
    EXPECT_EQ(ExceptionName(0xC000013A), "Control-C Exit");
    EXPECT_EQ(ExceptionName(1), "Unknown (&H00000001)");
    const uint8_t bytes[] = {0x41, 0, 0x42, 0x43, 0};
    EXPECT_EQ(JoinNonZeroBytes(bytes), "ABC");
}

}  // namespace
