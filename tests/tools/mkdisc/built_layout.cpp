#include "built_layout.h"

#include "tools/mkdisc/recipe_parser.h"

namespace kel::mkdisc::testing {

const std::vector<LayoutRecipe> kLayoutRecipes = {
    {"cdrom", R"([data]
volume-id = PLAIN
iso-level = 1
file = README.TXT text=one data track
file = DATA/RANDOM.BIN size=70000
)"},
    {"cdrom_xa_at_150", R"([disc]
name = xa
[data]
mode = 2
pregap = 150
iso-level = 3
joliet = yes
rock-ridge = yes
file = "a long file name.txt" text=long names need Joliet or Rock Ridge
file = deep/er/still.bin size=3000
)"},
    {"audio", R"([disc]
layout = audio
catalog = 0000000000017
[audio]
length = 2s
tone = 1000
copy = yes
isrc = DEKEL2600001
[audio]
pregap = 2s
length = 100
tone = 0
pre-emphasis = yes
four-channel = yes
)"},
    {"mixed", R"([disc]
layout = mixed
[data]
rock-ridge = yes
file = game/level1.dat size=3000
dir = saves
[audio]
pregap = 2s
length = 150
copy = yes
[audio]
pregap = 1s
length = 1s
tone = 220
)"},
    {"mixed_per_track", R"([disc]
name = mixed
layout = mixed
bin = per-track
[data]
iso-level = 2
file = GAME/LEVEL1.DAT size=3000
[audio]
pregap = 2s
length = 150
[audio]
pregap = 75
pregap-stored = no
length = 1s
tone = 220
)"},
    {"faults", R"([inquiry]
vendor = OLDDRIVE
product = CDU-55S
revision = 1.0q
date = 19950601
[drive]
personality = scsi2
vendor-cdda-read = yes
atip-on-pressed = short-reply
error-recovery-changeable = 0x37
[faults]
hard = 20-25, 30
marginal = 40-41
other = 50
reject-opcodes = 0x42, 0xbe
becoming-ready-polls = 4
[data]
file = X.TXT text=faulty
)"},
};

const std::vector<LayoutRecipe> kRecordableRecipes = {
    {"cdr_closed_two_sessions", R"([disc]
layout = multi-session
medium = cd-r
write-method = tao
[atip]
lead-in-start = 97:15:17
last-lead-out = 79:59:74
[data]
rock-ridge = yes
joliet = yes
volume-id = FIRST
file = ONE.TXT text=first session
[session]
[data]
rock-ridge = yes
joliet = yes
volume-id = SECOND
file = TWO.TXT text=second session
)"},
    {"cdr_appendable_three_sessions", R"([disc]
layout = multi-session
medium = cd-r
state = appendable
[data]
rock-ridge = yes
file = ONE.TXT text=first
file = DATA/ONE.BIN size=40000
[session]
[data]
maker = genisoimage
rock-ridge = yes
file = TWO.TXT text=second
[session]
[data]
mode = 2
rock-ridge = yes
file = THREE.TXT text=third
)"},
    {"cdr_open_packet_session", R"([disc]
layout = multi-session
medium = cd-r
state = open
[atip]
lead-in-start = 97:26:66
last-lead-out = 74:59:74
[data]
write-method = tao
rock-ridge = yes
file = ONE.TXT text=closed session
[session]
[data]
write-method = packet
packet-size = 32
rock-ridge = yes
file = PACKETS.BIN size=100000
)"},
    {"cd_extra", R"([disc]
layout = cd-extra
catalog = 0000000000017
[audio]
length = 2s
tone = 1000
[audio]
pregap = 2s
length = 1s
[session]
[data]
mode = 2
rock-ridge = yes
file = EXTRA/README.TXT text=the data session of a CD Extra
)"},
    {"cdrw_closed", R"([disc]
medium = cd-rw
[atip]
lead-in-start = 97:10:00
disc-sub-type = 1
writing-power = 5
reference-speed = 2
unrestricted-use = off
[data]
file = RW.TXT text=erasable
)"},
    {"cdr_blank", R"([disc]
medium = cd-r
state = blank
)"},
};

std::vector<LayoutRecipe> recipesWhere(const std::vector<LayoutRecipe>& from,
                                       const std::function<bool(const Recipe&)>& applies) {
    std::vector<LayoutRecipe> kept;
    for (const LayoutRecipe& layout : from) {
        const auto recipe = parseRecipe(layout.recipe, std::string(layout.name) + ".recipe");
        // A recipe that does not parse is kept: its SetUp says why.
        if (!std::holds_alternative<Recipe>(recipe) || applies(std::get<Recipe>(recipe))) {
            kept.push_back(layout);
        }
    }
    return kept;
}

void BuiltLayouts::SetUp() {
    const LayoutRecipe& layout = GetParam();
    const auto recipeFile = scratch_.path() / (std::string(layout.name) + ".recipe");
    auto result = scratch_.build(recipeFile.filename().string(), layout.recipe);
    ASSERT_TRUE(std::holds_alternative<BuiltDisc>(result)) << std::get<BuildError>(result).text();
    built_ = std::get<BuiltDisc>(result);
    auto recipe = parseRecipe(layout.recipe, recipeFile);
    ASSERT_TRUE(std::holds_alternative<Recipe>(recipe)) << std::get<BuildError>(recipe).text();
    recipe_ = std::get<Recipe>(recipe);
    auto loaded = emu::loadDrive(built_.descriptor);
    ASSERT_TRUE(std::holds_alternative<emu::LoadedDrive>(loaded))
        << std::get<emu::LoadError>(loaded).text();
    loaded_ = std::get<emu::LoadedDrive>(loaded);
}

}  // namespace kel::mkdisc::testing
