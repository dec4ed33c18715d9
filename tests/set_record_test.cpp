// The set's record as text, and the digests that fill it, with no window.
#include "engine/set_record.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/copy/gathered_copies.h"
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

// The digests of a split, whose pieces lie in one source, and of a join, whose pieces are files of
// their own: whether the copy tells its progress in steps, or only at its end (where the system
// holds the bytes already, they are read ahead).
TEST(SourceDigests, GiveEachPieceItsOwnDigest) {
    const std::vector<std::int64_t> lengths = {1, 300000, 5, 256 << 10, 700000, 2, 3 << 20};
    const TempFolder folder;
    std::string bytes;
    std::vector<std::string> pieceBytes;
    std::vector<std::string> piecePaths;
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        pieceBytes.push_back(
            patternBytes(static_cast<std::size_t>(lengths[n]), static_cast<unsigned>(n)));
        bytes += pieceBytes.back();
        piecePaths.push_back(folder / ("piece" + std::to_string(n)));
        writeBytes(piecePaths.back(), pieceBytes.back());
    }
    const std::string sourcePath = folder / "source.bin";
    writeBytes(sourcePath, bytes);
    const auto total = static_cast<std::int64_t>(bytes.size());
    const auto expectEachDigest = [&](SourceDigests& digests, const std::string& what) {
        digests.everyDigest().get();
        for (std::size_t n = 0; n < lengths.size(); ++n) {
            EXPECT_EQ(digests.digestOf(static_cast<std::int32_t>(n)), digestOf(pieceBytes[n]))
                << what << ", piece " << n;
        }
        EXPECT_FALSE(digests.digestOf(static_cast<std::int32_t>(lengths.size())));
    };
    for (const std::int64_t step : {std::int64_t{100000}, total}) {
        const std::string told = ", told every " + std::to_string(step) + " bytes";
        // As the split tells it: the piece the copy has reached, and how far into it.
        const File source = File::openForReading(sourcePath);
        SourceDigests split(source, lengths);
        std::size_t n = 0;
        for (std::int64_t copied = step, before = 0; copied < total + step; copied += step) {
            std::int64_t offset = std::min(copied, total) - before;
            for (; n + 1 < lengths.size() && offset > lengths[n]; ++n) {
                offset -= lengths[n];
                before += lengths[n];
            }
            split.copied(static_cast<std::int32_t>(n), offset);
        }
        expectEachDigest(split, "split" + told);
        // As the join tells it: each piece handed over, then its steps, then its end, with its
        // bytes where the copy gathered them.
        SourceDigests join(lengths);
        for (std::size_t k = 0; k < lengths.size(); ++k) {
            File piece = File::openForReading(piecePaths[k]);
            const auto index = static_cast<std::int32_t>(k);
            join.reading(index, piece);
            for (std::int64_t at = step; at < lengths[k]; at += step) join.copied(index, at);
            const bool gathered = lengths[k] <= GatheredCopies::longest;
            join.copiedWhole(
                index, gathered ? std::span<const char>(pieceBytes[k]) : std::span<const char>());
        }
        expectEachDigest(join, "join" + told);
    }
}

// A join waits for the digests of the pieces before the one it reads next, and no more.
TEST(SourceDigests, TellWhenTheFirstPiecesHaveTheirDigests) {
    const TempFolder folder;
    const std::vector<std::int64_t> lengths = {70000, 1, 500000};
    std::vector<File> pieces;
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        const std::string path = folder / ("piece" + std::to_string(n));
        writeBytes(path, patternBytes(static_cast<std::size_t>(lengths[n])));
        pieces.push_back(File::openForReading(path));
    }
    SourceDigests digests(lengths);
    digests.digestsUpTo(0).get();
    digests.reading(0, pieces[0]);
    digests.copiedWhole(0, {});
    digests.reading(1, pieces[1]);
    digests.copiedWhole(1, std::string_view("a"));
    digests.digestsUpTo(2).get();
    EXPECT_TRUE(digests.digestOf(1));
    EXPECT_FALSE(digests.digestOf(2));
}

// A join of many pieces it gathers, more than its buffers hold at once, and of long pieces, whose
// handles go once their digests are known.
TEST(SourceDigests, HashManyGatheredPiecesAndLetEachHandleGo) {
    const TempFolder folder;
    const std::int64_t shortLength = GatheredCopies::longest;
    std::vector<std::int64_t> lengths(100, shortLength);
    lengths.insert(lengths.end(), {500000, 500000});
    SourceDigests digests(lengths);
    std::vector<std::string> bytes;
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        bytes.push_back(
            patternBytes(static_cast<std::size_t>(lengths[n]), static_cast<unsigned>(n)));
    }
    for (std::size_t n = 0; n < 100; ++n) {
        digests.copiedWhole(static_cast<std::int32_t>(n), bytes[n]);
    }
    std::vector<File> longPieces;
    for (std::size_t n = 100; n < lengths.size(); ++n) {
        const std::string path = folder / ("piece" + std::to_string(n));
        writeBytes(path, bytes[n]);
        longPieces.push_back(File::openForReading(path));
        digests.reading(static_cast<std::int32_t>(n), longPieces.back());
    }
    digests.copiedWhole(100, {});
    digests.copiedWhole(101, {});
    digests.everyDigest().get();
    EXPECT_EQ(digests.handlesHeld(), 0);
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        EXPECT_EQ(digests.digestOf(static_cast<std::int32_t>(n)), digestOf(bytes[n])) << n;
    }
}

// A source or a piece shorter than the copy was told it is has changed.
TEST(SourceDigests, RefuseAFileThatEndsBeforeItsPiecesDo) {
    const TempFolder folder;
    const std::vector<std::int64_t> lengths = {3000, 500000};
    writeBytes(folder / "short", patternBytes(1000));
    const File shortened = File::openForReading(folder / "short");
    SourceDigests split(shortened, lengths);
    split.copied(1, lengths[1]);
    EXPECT_THROW(split.everyDigest().get(), RunError);
    SourceDigests join(lengths);
    join.reading(1, shortened);
    join.copiedWhole(1, {});
    EXPECT_THROW(join.everyDigest().get(), RunError);
}

}  // namespace
}  // namespace quorvel::testing
