#pragma once
// modErrHandler: turns a processor fault inside a guarded component call into
// run-time error 10000 (source "MyExceptionFilter", the exception's name) while the
// filter is installed. Outside a guarded call, or with no filter, the platform's
// default handling applies.
#include <csetjmp>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace nalo {

// The two fields of an exception record the filter reads.
struct ExceptionRecord {
    uint32_t code = 0;
    const ExceptionRecord* nested = nullptr;  // the record that caused this one
};

struct ExceptionInformation {
    const ExceptionRecord* record = nullptr;
};

// The exception code's English name, or "Unknown (&H" + 8 hex digits + ")".
std::string ExceptionName(uint32_t code);

// Every non-zero byte, in order, as one character; zero bytes are skipped.
std::string JoinNonZeroBytes(std::span<const uint8_t> bytes);

// Raises RuntimeError 10000 named after the innermost record of the chain. Returns 0
// (continue the search) only when there is no record.
int32_t MyExceptionFilter(const ExceptionInformation& info);

// Installs or removes the filter (signal handlers on an alternate stack).
void SetUnhandledExceptionFilter(bool installed);
bool exceptionFilterInstalled();

namespace detail {
struct FaultGuard {
    sigjmp_buf jump;
    uint32_t code = 0;
    FaultGuard* outer = nullptr;
};
FaultGuard*& activeGuard();
[[noreturn]] void raiseFault(uint32_t code);
}  // namespace detail

// Runs `f` (a raw component call: no C++ objects with destructors inside it may be
// skipped) so that a processor fault in it raises RuntimeError 10000.
template <class F>
auto guardedCall(F&& f) -> decltype(f()) {
    if (!exceptionFilterInstalled()) return f();
    detail::FaultGuard guard;
    guard.outer = detail::activeGuard();
    if (sigsetjmp(guard.jump, 1) != 0) {
        detail::activeGuard() = guard.outer;
        detail::raiseFault(guard.code);
    }
    detail::activeGuard() = &guard;
    struct Restore {
        detail::FaultGuard* outer;
        ~Restore() { detail::activeGuard() = outer; }
    } restore{guard.outer};
    return f();
}

}  // namespace nalo
