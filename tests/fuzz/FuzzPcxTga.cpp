// PCX and TGA readers, over the file in memory, and the drawing of what they built.
#include "codecs/LoadPCX.h"
#include "codecs/LoadTGA.h"
#include "fuzz/FuzzSupport.h"

namespace nalo::fuzz {

namespace {
template <class Reader>
void decodeAndDraw(Input input, const char* name) {
    Nalo_B1 module;
    Reader reader(module);
    reader.Decode(input, name);
    const Dib* pic = module.CurrentBitmap();
    if (!pic) return;
    requireWithinBudget(pic->width(), pic->height());
    touch(pic->bits(), pic->imageSize());
    // A small target picture: the stretch reads the whole source.
    Dib target(7, 5, 24, false);
    module.DrawBitmap(pic->width(), pic->height(), target, false);
    touch(target.bits(), target.imageSize());
}
}  // namespace

void FuzzPcx(Input input) { decodeAndDraw<LoadPCX>(input, "fuzz.pcx"); }
void FuzzTga(Input input) { decodeAndDraw<LoadTGA>(input, "fuzz.tga"); }

}  // namespace nalo::fuzz
