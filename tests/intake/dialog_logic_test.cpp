// The main window's logic on controls without a toolkit: the guards that keep a run, a drop
// and the prefix notice from running into one another, and what a failed run leaves. The
// window suites drive the same logic through real controls and boxes.
#include "intake/dialog_logic.h"

#include "expected_itx.h"
#include "intake/input_queue.h"
#include "intake/intake.h"
#include "memory_files.h"
#include "notice_texts.h"
#include "recording_notifier.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

using kivo::core::QueueEntry;
using kivo::intake::Field;
namespace texts = kivo::testing::texts;
using Said = std::vector<std::string>;
using Sets = std::vector<std::pair<Field, std::string>>;

// The queue and the two fields as plain values, with every text the logic sets recorded.
class RecordingControls final : public kivo::intake::DialogControls {
public:
    kivo::intake::InputQueue queue;
    std::string prefixField;
    std::string outputField;
    Sets sets;

    std::size_t queueCount() const override { return queue.count(); }
    QueueEntry queueEntry(std::size_t index) const override { return queue.at(index); }
    void queueRemoveFront() override
    {
        // A run that went on under another one would empty the queue twice.
        if (queue.empty()) {
            ADD_FAILURE() << "the front of an empty queue removed";
            return;
        }
        queue.removeFront();
    }
    void queueAppend(QueueEntry entry) override { queue.append(std::move(entry)); }

    std::string fieldText(Field field) const override { return field == Field::WavePrefix ? prefixField : outputField; }
    void setFieldText(Field field, const std::string& text) override
    {
        sets.emplace_back(field, text);
        (field == Field::WavePrefix ? prefixField : outputField) = text;
    }

    void focusMakeItx() override {}
    bool detailedTicked() const override { return false; }
};

class DialogLogic : public testing::Test {
protected:
    static std::string inFolder(const std::string& name)
    {
        return std::string("d") + kivo::intake::kPathSeparator + name;
    }

    // run1.dat of two rows, dropped onto the empty window, its notices forgotten.
    void dropRun1()
    {
        files.files[inFolder("run1.dat")] = kivo::testing::squidFile(2);
        logic.OnDropFiles({inFolder("run1.dat")});
        ASSERT_EQ(controls.queue.count(), 1u);
        notifier.notices.clear();
    }

    kivo::testing::MemoryFileSystem files;
    RecordingControls controls;
    kivo::testing::RecordingNotifier notifier;
    kivo::intake::DialogLogic logic{controls, notifier, files};
};

TEST_F(DialogLogic, MakeItxPressedWhileItsRunIsAtANoticeDoesNothing)
{
    dropRun1();
    int boxes = 0;
    notifier.whileOpen = [&] {
        if (boxes++ == 0)
            logic.OnMakeItx();
    };

    logic.OnMakeItx();

    EXPECT_EQ(notifier.notices, Said{texts::points("run1.dat", 2)});
    EXPECT_EQ(files.files.at(inFolder("run1.itx")), kivo::testing::expectedItx("run1", {2}));
    EXPECT_EQ(controls.queue.count(), 0u);
}

TEST_F(DialogLogic, LeavingThePrefixFieldWhileItsNoticeIsOpenTellsItOnce)
{
    controls.prefixField = "1x";
    int boxes = 0;
    // The box takes the focus from the field and gives it back when it closes.
    notifier.whileOpen = [&] {
        if (boxes++ == 0)
            logic.OnKillFocusWavePrefix();
    };

    logic.OnKillFocusWavePrefix();
    EXPECT_EQ(notifier.notices, Said{texts::kPrefixFirstLetter});
    EXPECT_EQ(controls.prefixField, "wx");

    // Once the notice is closed, the next prefix gets its own.
    controls.prefixField = "2y";
    logic.OnKillFocusWavePrefix();
    EXPECT_EQ(notifier.notices, (Said{texts::kPrefixFirstLetter, texts::kPrefixFirstLetter}));
    EXPECT_EQ(controls.prefixField, "wy");
}

TEST_F(DialogLogic, AnExceptionEndingTheRunIsAStopBoxAndTheWindowStaysUsable)
{
    dropRun1();
    files.outOfMemory = true;

    logic.OnMakeItx();

    EXPECT_EQ(notifier.errors,
              Said{texts::withReason(texts::readFailure(inFolder("run1.itx")), std::bad_alloc().what())});
    EXPECT_EQ(notifier.notices, Said());
    EXPECT_EQ(controls.queue.count(), 1u);
    EXPECT_EQ(controls.prefixField, "run1");
    EXPECT_EQ(controls.outputField, inFolder("run1.itx"));
    EXPECT_EQ(files.stagedAlive, 0);
    EXPECT_EQ(files.files.count(inFolder("run1.itx")), 0u);

    // Once the cause is mended, the same press converts the batch.
    files.outOfMemory = false;
    logic.OnMakeItx();
    EXPECT_EQ(notifier.notices, Said{texts::points("run1.dat", 2)});
    EXPECT_EQ(files.files.at(inFolder("run1.itx")), kivo::testing::expectedItx("run1", {2}));
}

// A text set anew puts the caret at its start, so one the user is typing in is set only
// when it changes.
TEST_F(DialogLogic, OnlyAFieldWhoseTextChangesIsSet)
{
    controls.prefixField = "run1";
    controls.outputField = "o.itx";
    logic.OnKillFocusWavePrefix();
    EXPECT_EQ(controls.sets, Sets());

    controls.prefixField = "x-y";
    logic.OnKillFocusWavePrefix();
    EXPECT_EQ(controls.sets, (Sets{{Field::WavePrefix, "x_y"}}));
}

} // namespace
