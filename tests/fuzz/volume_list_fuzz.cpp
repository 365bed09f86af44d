// ReadVolumeList, vyProbeVol's volume list file, read from the input through
// a stream in memory.
//
// Invariants: the result is one of the codes of the list file (0, 12, 16,
// 17, 18; the reader itself gives 0, 12 or 16); the volume count is within
// 0 to 256; every name taken is non-empty, at most 49 characters and free of
// white space; entries past the count stay empty. An independent model of
// the format (pieces of at most 501 characters, up to two names each) gives
// the code, the message and the names exactly.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/launcher.h"
#include "tests/fuzz/fuzz_support.h"
#include "volumes/volumes.h"

namespace {

constexpr std::size_t kPiece = 501;
constexpr std::size_t kLongestName = 49;
constexpr std::size_t kMostNames = 256;

int Model(std::string_view bytes, std::vector<std::string>& names, std::string& out) {
    for (const std::string& piece : fuzz::Pieces(bytes, kPiece)) {
        std::vector<std::string> words = fuzz::Words(piece);
        if (words.size() > 2) {
            out = "vyProbeVol: More volume/s per line\n";
            return 16;
        }
        for (const std::string& word : words) {
            if (names.size() == kMostNames) {
                out = "vyProbeVol: More than 256 volumes are given in vols.txt\n";
                return 12;
            }
            if (word.size() > kLongestName) {
                out = "vyProbeVol: A volume name in vols.txt is longer than 49 characters\n";
                return 12;
            }
            names.push_back(word);
        }
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Capture capture;
    InitGlobals();
    g.programType = kVyProbeVol;
    g.volumeListFile.assign("vols.txt");

    // fmemopen wants a writable buffer even to read.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    FILE* file = fmemopen(bytes.data(), bytes.size(), "r");
    FUZZ_CHECK(file != nullptr, "fmemopen failed");
    const int code = ReadVolumeList(file);
    std::fclose(file);
    const std::string out = capture.Text();

    std::vector<std::string> names;
    std::string expectedOut;
    const int expectedCode = Model(bytes, names, expectedOut);

    FUZZ_CHECK(code == 0 || code == 12 || code == 16 || code == 17 || code == 18, "ReadVolumeList returned %d",
               code);
    FUZZ_CHECK(code != 17 && code != 18, "the reader alone gave %d", code);
    FUZZ_CHECK(code == expectedCode, "ReadVolumeList returned %d, the format says %d", code, expectedCode);
    FUZZ_CHECK(out == expectedOut, "ReadVolumeList printed \"%s\", the format says \"%s\"", out.c_str(),
               expectedOut.c_str());
    FUZZ_CHECK(g.volumeCount >= 0 && g.volumeCount <= kMaxVolumes, "volume count %d", g.volumeCount);
    FUZZ_CHECK(g.volumeCount == static_cast<int>(names.size()), "%d volumes taken, the file names %zu",
               g.volumeCount, names.size());
    for (int i = 0; i < kMaxVolumes; ++i) {
        const Text<50>& name = g.requestedVolumes[i];
        fuzz::CheckText(name, "requested volume");
        if (i >= g.volumeCount) {
            FUZZ_CHECK(name.empty(), "entry %d past the count holds \"%s\"", i, name.c_str());
            continue;
        }
        FUZZ_CHECK(!name.empty() && name.size() <= kLongestName, "volume %d has %zu characters", i, name.size());
        for (char c : name.view()) FUZZ_CHECK(!fuzz::IsCWhite(c), "volume %d holds white space", i);
        FUZZ_CHECK(name.view() == names[i], "volume %d is \"%s\", the file says \"%s\"", i, name.c_str(),
                   names[i].c_str());
    }
    return 0;
}
