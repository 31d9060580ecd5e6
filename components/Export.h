#pragma once
// Marks the C functions a component library exports; everything else stays hidden.
#define NALO_EXPORT extern "C" __attribute__((visibility("default")))
