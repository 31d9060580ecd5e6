#include "shell/ui/ToolRegistry.h"

#include "tools/a2bj/ui/Nalo_A2BJ.h"
#include "tools/avi2gif/ui/Nalo_AVI2GIF.h"
#include "tools/b2j/ui/Nalo_B2J.h"
#include "tools/cd2mp3/ui/Nalo_CD2MP3.h"
#include "tools/bj2a/ui/Nalo_BJ2A.h"
#include "tools/cdepth/ui/Nalo_CDepth.h"
#include "tools/g2g/ui/Nalo_G2G.h"
#include "tools/pic2ico/ui/Nalo_Pic2Ico.h"
#include "tools/tgapcx/ui/Nalo_TGAPCX.h"

namespace nalo {

const std::array<ToolEntry, 9>& toolRegistry() {
    static const std::array<ToolEntry, 9> table = {{
        {7, [](DialogService& d) -> ToolWindow* { return new Nalo_B2J(d); }},
        {5, [](DialogService& d) -> ToolWindow* { return new Nalo_AVI2GIF(d); }},
        {0, [](DialogService& d) -> ToolWindow* { return new Nalo_BJ2A(d); }},
        {6, [](DialogService& d) -> ToolWindow* { return new Nalo_CD2MP3(d); }},
        {1, [](DialogService& d) -> ToolWindow* { return new Nalo_A2BJ(d); }},
        {8, [](DialogService& d) -> ToolWindow* { return new Nalo_Pic2Ico(d); }},
        {4, [](DialogService& d) -> ToolWindow* { return new Nalo_G2G(d); }},
        {9, [](DialogService& d) -> ToolWindow* { return new Nalo_CDepth(d); }},
        {10, [](DialogService& d) -> ToolWindow* { return new Nalo_TGAPCX(d); }},
    }};
    return table;
}

}  // namespace nalo
