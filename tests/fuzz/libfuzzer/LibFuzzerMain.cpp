// The libFuzzer entry of one target: NALO_FUZZ_ENTRY names its entry point.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nalo::fuzz::runInput(nalo::fuzz::NALO_FUZZ_ENTRY, {data, size});
    return 0;
}
