#include "core/waves/wave_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kivo::core::CodePage;
using kivo::core::fileStem;
using kivo::core::needsIgorPro8;
using kivo::core::uniqueStems;

namespace {

struct StemCase {
    const char* what;
    std::string fileName;
    CodePage page;
    std::string stem;
};

// In CP932 試料 is 8E 8E 97 BF, and 鉄フタロシアニン粉末 has the letters S, t, V, A and j as
// second bytes (鉄 93 53, フ 83 74, シ 83 56, ア 83 41, ニ 83 6A).
const std::string kIronCp932 = "\x93\x53\x83\x74\x83\x5E\x83\x8D\x83\x56\x83\x41\x83\x6A\x83\x93\x95\xB2\x96\x96";

const StemCase kStems[] = {
    {"UTF-8 characters go", "試料A_ZFC.dat", CodePage::Utf8, "A_ZFC"},
    {"CP932 characters go", "\x8E\x8E\x97\xBF" "A_ZFC.dat", CodePage::Cp932, "A_ZFC"},
    {"second bytes that are letters go with their character",
     "20240501_" + kIronCp932 + "_ZFC_100Oe.dat", CodePage::Cp932, "w20240501_ZFC_100Oe"},
    {"a run of others between underscores is one underscore", "20240501_鉄フタロシアニン粉末_ZFC_100Oe.dat",
     CodePage::Utf8, "w20240501_ZFC_100Oe"},
    {"a digit first gets a w", "2K_MH.dat", CodePage::Utf8, "w2K_MH"},
    {"only the last dot parts the extension", "run.1.dat", CodePage::Utf8, "run_1"},
    {"no underscore at either end", "__a -- b__.dat", CodePage::Utf8, "a_b"},
    {"no extension", "run", CodePage::Utf8, "run"},
    {"nothing left is w", "().dat", CodePage::Utf8, "w"},
    {"longer than the most is cut", std::string(300, 'a') + ".dat", CodePage::Utf8, std::string(241, 'a')},
    {"a cut never ends on an underscore", std::string(240, 'a') + "_b.dat", CodePage::Utf8, std::string(240, 'a')},
};

TEST(FileStem, KeepsOnlyWhatTellsFilesApart)
{
    for (const StemCase& c : kStems)
        EXPECT_EQ(fileStem(c.fileName, c.page), c.stem) << c.what;
}

struct BatchCase {
    const char* what;
    std::vector<std::string> fileNames;
    std::vector<std::string> stems;
};

const std::string k238 = std::string(238, 'a');

const BatchCase kBatches[] = {
    {"stems differing after a cut of 31 stay apart",
     {"MagnetiteNP_12nm_paraffin_ZFC_1.dat", "MagnetiteNP_12nm_paraffin_ZFC_2.dat",
      "MagnetiteNP_12nm_paraffin_ZFC_3.dat", "MagnetiteNP_12nm_paraffin_ZFC_10.dat"},
     {"MagnetiteNP_12nm_paraffin_ZFC_1", "MagnetiteNP_12nm_paraffin_ZFC_2", "MagnetiteNP_12nm_paraffin_ZFC_3",
      "MagnetiteNP_12nm_paraffin_ZFC_10"}},
    {"a number never takes a later file's stem", {"s.dat", "s.dat", "s_2.dat"}, {"s", "s_3", "s_2"}},
    {"case does not tell names apart", {"Run.dat", "run.txt", "RUN.dat"}, {"Run", "run_2", "RUN_3"}},
    {"the number fits inside the most", {std::string(241, 'a') + ".dat", std::string(241, 'a') + ".txt"},
     {std::string(241, 'a'), std::string(239, 'a') + "_2"}},
    {"a cut for the number drops an underscore", {k238 + "_bcd.dat", k238 + "_bcd.txt"},
     {k238 + "_bc", k238 + "_2"}},
};

TEST(UniqueStems, FirstKeepsItsStemLaterOnesTakeTheFirstFreeNumber)
{
    for (const BatchCase& c : kBatches) {
        std::vector<std::string> stems;
        for (const std::string& name : c.fileNames)
            stems.push_back(fileStem(name, CodePage::Utf8));
        EXPECT_EQ(uniqueStems(stems), c.stems) << c.what;
    }
}

TEST(UniqueStems, NamesPast31BytesNeedIgorPro8)
{
    const std::vector<std::string> fit = {"a", std::string(31, 'b')};
    const std::vector<std::string> over = {"a", std::string(32, 'b')};
    EXPECT_FALSE(needsIgorPro8(fit));
    EXPECT_TRUE(needsIgorPro8(over));
}

} // namespace
