// The set's record as text, and the digests that fill it, with no window.
#include "engine/set_record.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/copy/digests_beside.h"
#include "platform/copy/source_digests.h"
#include "platform/run_error.h"
#include "tests/support/files.h"

namespace quorvel::testing {
namespace {

Digest digestOf(const std::string& bytes) {
    Sha256 sha;
    sha.add(bytes);
    return sha.finish();
}

// Every piece's name, as the record gives it.
std::vector<std::string> namesIn(std::string_view text) {
    std::vector<std::string> names;
    record::parse(text, [&](std::int32_t, std::string_view name) { names.emplace_back(name); });
    return names;
}

TEST(SetRecord, ReadsBackWhatItWrites) {
    const std::vector<std::string> names = {"a.bin_1.xst", "a\\b_2.xst", "new\nline\r_3.xst"};
    std::vector<Digest> digests;
    for (const char* piece : {"0123", "456", "789"}) digests.push_back(digestOf(piece));
    std::string text = record::head("a.bin", 10, 3);
    for (std::size_t n = 0; n < 3; ++n) text += record::pieceLine(names[n], digests[n]);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "# A set of pieces made by Quorvel. Check it here with: sha256sum -c "
              "a.bin_set.sha256");
    // sha256sum's own escapes: a backslash before the line, and in the name.
    EXPECT_NE(text.find("\n\\" + record::hexOf(digests[1]) + "  a\\\\b_2.xst\n"),
              std::string::npos);
    const record::SetRecord read = record::parse(text, [](std::int32_t, std::string_view) {});
    EXPECT_EQ(read.sourceLength, 10);
    EXPECT_EQ(namesIn(text), names);
    EXPECT_EQ(read.digests, digests);
    EXPECT_EQ(
        std::vector<std::int64_t>({read.pieceLength(1), read.pieceLength(2), read.pieceLength(3)}),
        (std::vector<std::int64_t>{4, 3, 3}));
    EXPECT_EQ(record::hexOf(digestOf("hello")),
              "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824");
}

TEST(SetRecord, TakesWhatSha256sumWritesInBinaryModeAndInCapitals) {
    const std::string hex = "2CF24DBA5FB0A30E26E83B2AC5B9E29E1B161E5C1FA7425E73043362938B9824";
    const std::string text = "# quorvel-set 1 length 5 pieces 1\n" + hex + " *a_1.xst";
    EXPECT_EQ(record::parse(text, [](std::int32_t, std::string_view) {}).digests.front(),
              digestOf("hello"));
    EXPECT_EQ(namesIn(text), std::vector<std::string>{"a_1.xst"});
}

TEST(SetRecord, RefusesWhatIsNoRecord) {
    const std::string line = std::string(64, 'a') + "  a_1.xst\n";
    const std::string header = "# quorvel-set 1 length 10 pieces 1\n";
    for (const std::string& text : std::vector<std::string>{
             std::string(),
             std::string("garbage"),
             std::string("\n\n\n"),
             line,
             std::string("# only a comment\n"),
             header,
             "# quorvel-set 1 length 10 pieces 1\n# quorvel-set 1 length 10 pieces 1\n" + line,
             "# quorvel-set 1 length 10 pieces 0\n",
             "# quorvel-set 1 length 10 pieces 32768\n",
             "# quorvel-set 1 length 10 pieces -1\n" + line,
             "# quorvel-set 1 length 2 pieces 3\n" + line + line + line,
             "# quorvel-set 1 length 010 pieces 1\n" + line,
             "# quorvel-set 1 length 99999999999999999999 pieces 1\n" + line,
             "# quorvel-set 1 length 10 pieces 1x\n" + line,
             header + line + line,
             header + std::string(63, 'a') + "g  a_1.xst\n",
             header + std::string(64, 'a') + " a",
             header + "\\" + std::string(64, 'a') + "  a\\q_1.xst\n",
             header + "\\" + std::string(64, 'a') + "  a_1.xst\\\n",
             header + "\n" + line,
             std::string(record::longestText + 1, '#'),
         }) {
        EXPECT_THROW(namesIn(text), record::Unreadable) << ::testing::PrintToString(text);
    }
}

// Pieces of every kind of length, given in bytes of every kind of length: the digests are those of
// the pieces, wherever their bytes fell in the buffers.
TEST(DigestsBeside, GiveEachPiecesOwnDigest) {
    const std::vector<std::size_t> lengths = {1, 300000, 5, 256 << 10, 700000, 2, 3 << 20};
    std::mt19937 random(5);
    DigestsBeside digests;
    std::vector<Digest> expected;
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        const std::string bytes = patternBytes(lengths[n], static_cast<unsigned>(n));
        expected.push_back(digestOf(bytes));
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t part = std::min<std::size_t>(bytes.size() - at, random() % 70000 + 1);
            digests.take({bytes.data() + at, part});
            at += part;
        }
        digests.endPiece();
    }
    digests.everyDigest().get();
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        EXPECT_EQ(digests.digestOf(static_cast<std::int32_t>(n)), expected[n]) << "piece " << n;
    }
    EXPECT_FALSE(digests.digestOf(static_cast<std::int32_t>(lengths.size())));
}

// The split's digests, read from the source again: whether the copy tells its progress in steps,
// only at its end (where the system holds the bytes already, they are read ahead), or not past a
// piece that a shortened source no longer has.
TEST(SourceDigests, GiveEachPieceOfTheSourceItsOwnDigest) {
    const std::vector<std::int64_t> lengths = {1, 300000, 5, 256 << 10, 700000, 2, 3 << 20};
    std::string bytes;
    std::vector<Digest> expected;
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        const std::string piece =
            patternBytes(static_cast<std::size_t>(lengths[n]), static_cast<unsigned>(n));
        expected.push_back(digestOf(piece));
        bytes += piece;
    }
    const TempFolder folder;
    const std::string path = folder / "source.bin";
    writeBytes(path, bytes);
    const auto total = static_cast<std::int64_t>(bytes.size());
    // As the split tells it: the piece the copy has reached, and how far into it.
    const auto tellCopiedUpTo = [&lengths](SourceDigests& digests, std::int64_t offset) {
        std::int32_t n = 0;
        for (; n + 1 < std::ssize(lengths) && offset > lengths[n]; ++n) offset -= lengths[n];
        digests.copied(n, offset);
    };
    for (const std::int64_t step : {std::int64_t{100000}, total}) {
        const File source = File::openForReading(path);
        SourceDigests digests(source, lengths);
        for (std::int64_t copied = step; copied < total + step; copied += step) {
            tellCopiedUpTo(digests, std::min(copied, total));
        }
        digests.everyDigest().get();
        for (std::size_t n = 0; n < lengths.size(); ++n) {
            EXPECT_EQ(digests.digestOf(static_cast<std::int32_t>(n)), expected[n])
                << "piece " << n << ", told every " << step << " bytes";
        }
        EXPECT_FALSE(digests.digestOf(static_cast<std::int32_t>(lengths.size())));
    }
    writeBytes(path, bytes.substr(0, 1000));
    const File shortened = File::openForReading(path);
    SourceDigests digests(shortened, lengths);
    tellCopiedUpTo(digests, total);
    EXPECT_THROW(digests.everyDigest().get(), RunError);
}

}  // namespace
}  // namespace quorvel::testing
