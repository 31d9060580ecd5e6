#pragma once
// Shared by the fuzz entry points: each takes one input, runs a reader over it and
// reads every byte the reader produced. A reader's RuntimeError is the expected
// answer to bad input; any other exception, a sanitizer report or a crash is a finding.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace nalo::fuzz {

using Input = std::span<const uint8_t>;
using EntryPoint = void (*)(Input);

// A round trip or invariant that does not hold.
struct PropertyViolation : std::logic_error {
    using std::logic_error::logic_error;
};
inline void require(bool holds, const char* what) {
    if (!holds) throw PropertyViolation(what);
}

// A decoded picture must lie within the picture budget.
void requireWithinBudget(int width, int height);

// Reads every byte (so that the sanitizers see each one) into a sink the optimiser keeps.
void touch(const void* bytes, size_t size);

// Runs an entry point; a RuntimeError is swallowed, anything else passes on.
void runInput(EntryPoint entry, Input input);

// A file of this process in a private temporary folder, for readers that take a path.
// `name` keeps its extension, which some readers look at.
std::string scratchFile(const std::string& name, Input bytes);
// The private temporary folder itself.
const std::string& scratchFolder();

// The entry points, one per reader.
void FuzzPcx(Input);
void FuzzTga(Input);
void FuzzBmp(Input);
void FuzzPicture(Input);
void FuzzGifSplit(Input);
void FuzzAvi(Input);
void FuzzSettings(Input);
void FuzzCdImage(Input);
void FuzzGifLzw(Input);
void FuzzOneFrameGif(Input);
void FuzzPng(Input);
void FuzzWebp(Input);
void FuzzTiff(Input);

}  // namespace nalo::fuzz
