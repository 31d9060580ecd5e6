#include "shell/ErrHandler.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <pthread.h>

#include "shell/RuntimeError.h"

namespace nalo {
namespace {

struct Name {
    uint32_t code;
    const char* text;
};

constexpr Name Names[] = {
    {0x80000001, "Guard Page Violation"},   {0x80000002, "Data Type Misalignment"},
    {0x80000003, "Breakpoint"},             {0x80000004, "Single Step"},
    {0xC0000005, "Access Violation"},       {0xC0000006, "In Page Error"},
    {0xC0000008, "Invalid Handle"},         {0xC000001D, "Illegal Instruction"},
    {0xC0000025, "Non Continuable Exception"}, {0xC0000026, "Invalid Disposition"},
    {0xC000008C, "Array Bounds Exceeded"},  {0xC000008D, "Float Denormal Operand"},
    {0xC000008E, "Divide By Zero"},         {0xC000008F, "Floating Point Inexact Result"},
    {0xC0000090, "Invalid Operation"},      {0xC0000091, "Float Overflow"},
    {0xC0000092, "Float Stack Check"},      {0xC0000093, "Float Underflow"},
    {0xC0000094, "Integer Divide By Zero"}, {0xC0000095, "Integer Overflow"},
    {0xC0000096, "Privileged Instruction"}, {0xC00000FD, "Stack Overflow"},
    {0xC000013A, "Control-C Exit"},
};

constexpr int Signals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP};

// The filter's registration: the handlers it replaced, its alternate stack and the
// bounds of the stack whose overflow it recognises.
struct Registration {
    bool installed = false;
    struct sigaction previous[sizeof(Signals) / sizeof(Signals[0])];
    std::vector<char> altStack;
    stack_t previousAltStack{};
    uintptr_t stackLow = 0;
};

Registration& registration() {
    static Registration r;
    return r;
}

uint32_t codeOf(int sig, const siginfo_t* info) {
    switch (sig) {
    case SIGSEGV: {
        const auto addr = reinterpret_cast<uintptr_t>(info->si_addr);
        const uintptr_t low = registration().stackLow;
        // A fault in the guard area just below the stack is an overflow.
        if (low && addr < low + 65536 && addr + (uintptr_t(1) << 20) >= low) return 0xC00000FD;
        return 0xC0000005;
    }
    case SIGBUS: return info->si_code == BUS_ADRALN ? 0x80000002 : 0xC0000006;
    case SIGILL: return info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG ? 0xC0000096 : 0xC000001D;
    case SIGFPE:
        switch (info->si_code) {
        case FPE_INTDIV: return 0xC0000094;
        case FPE_INTOVF: return 0xC0000095;
        case FPE_FLTDIV: return 0xC000008E;
        case FPE_FLTOVF: return 0xC0000091;
        case FPE_FLTUND: return 0xC0000093;
        case FPE_FLTRES: return 0xC000008F;
        case FPE_FLTSUB: return 0xC000008C;
        default: return 0xC0000090;
        }
    case SIGTRAP: return info->si_code == TRAP_TRACE ? 0x80000004 : 0x80000003;
    default: return 0;
    }
}

void onFault(int sig, siginfo_t* info, void*) {
    if (detail::FaultGuard* g = detail::activeGuard()) {
        g->code = codeOf(sig, info);
        siglongjmp(g->jump, 1);
    }
    // Outside a guarded call: the platform's default handling.
    Registration& r = registration();
    for (size_t i = 0; i < sizeof(Signals) / sizeof(Signals[0]); ++i)
        if (Signals[i] == sig) sigaction(sig, &r.previous[i], nullptr);
    if (sig == SIGTRAP || info->si_code <= 0) raise(sig);
}

}  // namespace

std::string ExceptionName(uint32_t code) {
    for (const Name& n : Names)
        if (n.code == code) return n.text;
    char buf[32];
    std::snprintf(buf, sizeof buf, "Unknown (&H%08X)", code);
    return buf;
}

std::string JoinNonZeroBytes(std::span<const uint8_t> bytes) {
    std::string s;
    for (uint8_t b : bytes)
        if (b != 0) s.push_back(static_cast<char>(b));
    return s;
}

int32_t MyExceptionFilter(const ExceptionInformation& info) {
    const ExceptionRecord* r = info.record;
    if (!r) return 0;
    while (r->nested) r = r->nested;
    throw RuntimeError(err::ExceptionFilter, "MyExceptionFilter", ExceptionName(r->code));
}

void SetUnhandledExceptionFilter(bool installed) {
    Registration& r = registration();
    if (installed == r.installed) return;
    if (installed) {
        r.altStack.assign(std::max<size_t>(SIGSTKSZ, 65536), 0);
        stack_t ss{};
        ss.ss_sp = r.altStack.data();
        ss.ss_size = r.altStack.size();
        sigaltstack(&ss, &r.previousAltStack);
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* addr = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attr, &addr, &size) == 0) r.stackLow = reinterpret_cast<uintptr_t>(addr);
            pthread_attr_destroy(&attr);
        }
        struct sigaction sa{};
        sa.sa_sigaction = onFault;
        sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
        sigemptyset(&sa.sa_mask);
        for (size_t i = 0; i < sizeof(Signals) / sizeof(Signals[0]); ++i) sigaction(Signals[i], &sa, &r.previous[i]);
    } else {
        for (size_t i = 0; i < sizeof(Signals) / sizeof(Signals[0]); ++i) sigaction(Signals[i], &r.previous[i], nullptr);
        sigaltstack(&r.previousAltStack, nullptr);
        r.altStack.clear();
        r.altStack.shrink_to_fit();
    }
    r.installed = installed;
}

bool exceptionFilterInstalled() { return registration().installed; }

namespace detail {

FaultGuard*& activeGuard() {
    static FaultGuard* guard = nullptr;
    return guard;
}

void raiseFault(uint32_t code) {
    ExceptionRecord record{code, nullptr};
    MyExceptionFilter(ExceptionInformation{&record});
    std::abort();  // not reached: the filter always raises for a record
}

}  // namespace detail
}  // namespace nalo
