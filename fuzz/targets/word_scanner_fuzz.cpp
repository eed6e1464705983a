// The drawing word scanner: the fast key search must pass over exactly the
// words a word-by-word read would, on any bytes, with the converter's key
// sets and with key words taken from the input (any anchor pair, any
// alignment against the 16-byte search blocks).
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "jobfiles/word_scanner.h"

namespace {

using ks::WordScanner;

const std::vector<WordScanner::Key> kConverterKeySets[3] = {
    {{"$UCSORG", 3}, {"ENDSEC", 2}},
    {{"ENTITIES", 2}},
    {{"AcDbCircle", 3}, {"ENDSEC", 2}},
};

// The plain way: read words until one equals a key.
int NaiveSkip(WordScanner& in, const std::vector<WordScanner::Key>& keys) {
    std::string_view word;
    while (in.ReadWord(word)) {
        for (size_t k = 0; k < keys.size(); ++k) {
            if (word == keys[k].word) return static_cast<int>(k);
        }
    }
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ks::fuzz::Input in(data, size);
    const uint8_t mode = in.Byte();
    // Word buffer at least as long as any key, as in the readers.
    const size_t maxWord = 16 + in.Byte();

    std::vector<std::string> storage;  // owns the key words taken from the input
    std::vector<WordScanner::Key> keys;
    if (mode & 0x80) {
        const int count = 1 + (mode & 3);
        storage.reserve(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k) {
            std::string word;
            for (char c : in.Take(2 + in.Byte() % 11)) {
                if (!ks::IsScanBlank(c)) word += c;
            }
            if (word.size() < 2) word = "AB";
            storage.push_back(word);
        }
        for (const std::string& word : storage) {
            keys.push_back({word, in.Byte() % (word.size() - 1)});
        }
    } else {
        keys = kConverterKeySets[mode % 3];
    }
    // How many skips before the reading ends, with reads in between.
    const uint8_t plan = in.Byte();
    const std::string_view text = in.Rest();

    WordScanner fast(text, maxWord);
    WordScanner slow(text, maxWord);
    for (int step = 0; step < 64; ++step) {
        const int a = fast.SkipToKey(keys);
        const int b = NaiveSkip(slow, keys);
        // Equal key words may be told apart by either index.
        KS_FUZZ_CHECK((a < 0) == (b < 0));
        KS_FUZZ_CHECK(a < 0 || keys[static_cast<size_t>(a)].word == keys[static_cast<size_t>(b)].word);
        KS_FUZZ_CHECK(fast.AtEnd() == slow.AtEnd());
        if (a < 0) break;
        // A few plain reads after a key must see the same words.
        for (int r = 0; r < ((plan >> (step % 8)) & 1 ? 2 : 0); ++r) {
            std::string_view wa, wb;
            const bool ra = fast.ReadWord(wa);
            const bool rb = slow.ReadWord(wb);
            KS_FUZZ_CHECK(ra == rb);
            KS_FUZZ_CHECK(wa == wb && wa.data() == wb.data());
            KS_FUZZ_CHECK(wa.size() <= maxWord);
        }
    }
    return 0;
}
