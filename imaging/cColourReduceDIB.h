#pragma once
// Colour reduction of a 24-bit working picture: grey levels, two-level black and
// white with error diffusion, and mapping to a palette with or without diffusion.
#include "imaging/DepthEvents.h"

namespace nalo {

class cDIBSection;
class cPalette;

class cColourReduceDIB {
public:
    // Both leave the reduced picture in cFrom and cTo (same size; they may be one picture).
    void BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo);
    void ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal, bool bDiffuseError);
    void GrayScale(cDIBSection& cTo);

    DepthEvents events;
    // The palette search may use the processor's vector instructions (same answers).
    bool vectorSearch = true;
};

}  // namespace nalo
