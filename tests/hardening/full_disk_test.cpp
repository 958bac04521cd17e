// Saving the progress file onto a full disk: a small tmpfs, filled up, must
// keep the old file whole and hold no temporary file afterwards; once room is
// made, the same save goes through (so the failures above were the disk's).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "app/progress_file.h"
#include "app/progress_format.h"
#include "quiz/quiz_record.h"
#include "services/graphics.h"
#include "small_disk.h"
#include "text/fixed_text.h"

namespace {

namespace fs = std::filesystem;

class NoGraphics final : public brivel::GraphicsFactory {
public:
    brivel::FontHandle MakeFont(const brivel::FontSpec& /*request*/) override { return nullptr; }
    void ReleaseFont(brivel::FontHandle /*font*/) override {}
    brivel::BrushHandle MakeSolidBrush(brivel::Rgb /*colour*/) override { return nullptr; }
    void ReleaseBrush(brivel::BrushHandle /*brush*/) override {}
};

struct Record {
    NoGraphics graphics;
    brivel::QuizRecord record{graphics};

    // pictures texts of length bytes, made of letter.
    Record(int pictures, std::size_t length, char letter) {
        record.pictureCount = pictures;
        record.answersPerPicture = 1;
        for (int k = 0; k < pictures; ++k) {
            brivel::CopyText(record.typedAnswers[k],
                             std::to_string(k) + std::string(length, letter));
        }
    }
    std::string Bytes() const { return brivel::FormatProgress(record); }
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class FullDisk : public ::testing::Test {
protected:
    // A disk of these mount options, with the old progress file on it.
    void Mount(const std::string& options, const std::string& oldBytes) {
        const char* root = std::getenv("BRIVEL_TEST_TMP");
        const fs::path base =
            root != nullptr && *root != '\0' ? fs::path(root) : fs::temp_directory_path();
        fs::create_directories(base);
        const fs::path folder =
            base / ("full-disk-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        disk_ = std::make_unique<hardening::SmallDisk>(folder.string(), options);
        if (!disk_->mounted()) {
            GTEST_SKIP() << "cannot mount a tmpfs here: " << disk_->error();
        }
        progress_ = folder / "quiz.txt";
        oldBytes_ = oldBytes;
        WriteAll(progress_, oldBytes);
        ASSERT_EQ(ReadAll(progress_), oldBytes) << "the old file does not fit the disk";
    }

    // The save failed: old file whole, no temporary file left.
    void ExpectOldFileKept() {
        EXPECT_EQ(ReadAll(progress_), oldBytes_);
        EXPECT_FALSE(fs::exists(progress_.string() + ".tmp"));
    }

    // Once the filler goes, the same save goes through.
    void ExpectSaveOnceRoomIsMade(const Record& next) {
        ASSERT_TRUE(fs::remove(fs::path(disk_->folder()) / "filler"));
        brivel::SaveProgress(next.record, progress_.string());
        EXPECT_EQ(ReadAll(progress_), next.Bytes());
        EXPECT_FALSE(fs::exists(progress_.string() + ".tmp"));
    }

    std::unique_ptr<hardening::SmallDisk> disk_;
    fs::path progress_;
    std::string oldBytes_;
};

TEST_F(FullDisk, NoByteLeftKeepsTheOldFile) {
    const Record old(21, 140, 'a');
    Mount("size=16k", old.Bytes());
    if (IsSkipped()) {
        return;
    }
    ASSERT_GT(disk_->Fill("filler"), 0);
    const Record next(21, 150, 'b');
    brivel::SaveProgress(next.record, progress_.string());
    ExpectOldFileKept();
    ExpectSaveOnceRoomIsMade(next);
}

// Room for the first pages of the new file but not for all of it: the write
// fails half-way.
TEST_F(FullDisk, TooLittleRoomKeepsTheOldFile) {
    const Record old(3, 50, 'a');
    Mount("size=64k", old.Bytes());
    if (IsSkipped()) {
        return;
    }
    ASSERT_GT(disk_->Fill("filler", 8192), 0);
    const Record next(96, 250, 'c');
    ASSERT_GT(next.Bytes().size(), 2 * 8192u);
    brivel::SaveProgress(next.record, progress_.string());
    ExpectOldFileKept();
    ExpectSaveOnceRoomIsMade(next);
}

// No inode left: the temporary file cannot even be made.
TEST_F(FullDisk, NoInodeLeftKeepsTheOldFile) {
    const Record old(5, 20, 'a');
    // The root folder, the old file and the filler take every inode.
    Mount("size=64k,nr_inodes=3", old.Bytes());
    if (IsSkipped()) {
        return;
    }
    const fs::path filler = fs::path(disk_->folder()) / "filler";
    WriteAll(filler, "x");
    ASSERT_TRUE(fs::exists(filler));
    const Record next(5, 30, 'd');
    brivel::SaveProgress(next.record, progress_.string());
    ExpectOldFileKept();

    ASSERT_TRUE(fs::remove(filler));
    brivel::SaveProgress(next.record, progress_.string());
    EXPECT_EQ(ReadAll(progress_), next.Bytes());
    EXPECT_FALSE(fs::exists(progress_.string() + ".tmp"));
}

}  // namespace
