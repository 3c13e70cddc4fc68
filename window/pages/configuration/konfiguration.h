#pragma once
// The Configuration page: the meter's parameter set in its controls, read
// from and written to the meter, saved to and loaded from files, checked.
// Each parameter lives in its control; the page converts to the byte block
// only when it reads, writes, saves or loads.
#include <QDateTime>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "core/link/session.h"
#include "core/params/compare.h"
#include "core/params/parameters.h"
#include "core/params/verdict.h"
#include "core/text/settings.h"
#include "core/text/text_numbers.h"
#include "platform/dialog/dialog_page.h"
#include "platform/dialog/page_flow.h"
#include "platform/files/files.h"
#include "window/services/page_texts.h"
#include "window/services/service_report.h"

namespace qv::pages {

namespace msg = qv::text::msg;

class CKonfiguration : public qv::dialog::DialogPage {
public:
    static constexpr int kSettleTicks = 20;
    static constexpr int kMsgCheckFailed = msg::CheckFailed, kMsgNotWritten = msg::NotWritten,
                         kMsgSaveTitle = msg::SaveTitle, kMsgFile = msg::File, kMsgLoadTitle = msg::LoadTitle,
                         kMsgWritten = msg::Written;

    // Status texts of the buttons that would otherwise say nothing.
    static constexpr int kNoteNoLink = msg::ReadNoLink, kNoteNoFamily = msg::ReadNoFamily,
                         kNoteNoBlock = msg::ReadNoBlock, kNoteCheckPassed = msg::CheckPassed,
                         kNoteDamaged = msg::ReadDamaged, kNoteCheckFailed = msg::CheckFailedNote,
                         kNoteCheckFailedOne = msg::CheckFailedNoteOne, kNoteRead = msg::ReadDone;

    // Comparing the page's set with the meter's or a file's, and reading a
    // written set back: buttons, the list of differences, and one marker per
    // row (the row's index added to kCompareMarkerBase).
    static constexpr int kCompareMeterButton = 1160, kCompareFileButton = 1161, kReadBackButton = 1162,
                         kDifferencesCaption = 1163, kDifferencesList = 1164, kCompareMarkerBase = 1700;

    CKonfiguration(qv::text::AppSettings* settings, qv::link::Session* session);
    // Where those texts go (the sheet's status line), with their arguments;
    // and how a note whose truth has gone is taken back (only if still shown).
    using Note = std::function<void(int text, const QStringList& args)>;
    void setStatusNote(Note note, std::function<void(int)> withdraw = {}) {
        note_ = std::move(note);
        withdraw_ = std::move(withdraw);
    }
    // "Konfig-Check": the markers, and a note of the outcome.
    void runCheck();

    // Ticks left until change notifications count again after a fill.
    int settleCountdown() const { return settleCountdown_; }
    void settleTick() {
        if (settleCountdown_ > 0) --settleCountdown_;
    }

    void reloadTexts();
    const qv::window::PageTexts& texts() const { return texts_; }

    int selectedCode() const { return selectedCode_; }
    // The controls' values as data, and back.
    qv::params::ControlValues values() const;
    // The service report's rows of this page: where the set came from
    // (the meter, a file, by hand; edited since), then the parameter set
    // with captions and units, parameters the model lacks left out; or
    // that there is none.
    qv::window::ReportRows reportRows(const qv::window::ReportTextFn& text) const;
    // When the set was last read from the meter; invalid before a read.
    QDateTime lastReadAt() const { return readAt_; }
    void setValues(const qv::params::ControlValues& values);
    const qv::params::ReadValues& readValues() const { return readValues_; }
    const std::vector<std::uint8_t>& readBlock(int family) const { return readBlocks_.at(family); }

    void updateUnitLabels();
    void hideChangedMarkers();
    void hideErrorMarkers();
    void applyConfigurationVariant(int code);

    // Notification handlers; the controls call them on user input.
    void onModelSelection();
    void onParameterChanged(int control);

    void encodeParameters();
    // block points at a parameter block of the current family (size bytes
    // of it there; missing ones read as 0).
    void decodeParameters(const std::uint8_t* block, std::size_t size);

    void readParameters();
    // What a read from the meter gave, into the page: only a whole set changes it.
    void applyRead(const qv::params::SetRead& read);
    void writeParameters();
    void saveConfiguration();
    void loadConfiguration();
    void clearAll();
    int checkConfiguration(int code);

    // The page's set against the meter's (read into a buffer of its own) or
    // a file's; the controls and readValues stay as they are.
    void compareWithMeter();
    void compareWithFile();
    // "Rücklesen": the block read again and the last write judged anew by it
    // (a write reads back by itself at once).
    void readBack();
    bool readBackOffered() const;
    // The last write's verdict, as its list shows it; empty before a write.
    std::optional<qv::params::WriteJudgement> lastVerdict() const;
    static int compareMarker(int control);
    // The list's lines as shown.
    QStringList differenceLines() const;
    // The meter was identified again (after an outage, or another one): a
    // list made before says so at its top and marks no rows.
    void meterIdentified();

    QSize unscrolledSize(const QSize& room) const override {
        return flow_.unscrolledSize(room).expandedTo(minimumSize());
    }

protected:
    void onInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildRow(const qv::params::Row& row, int x, int y);
    void fillList(int control, const std::vector<std::string>& items);
    void refillFamilyLists(int family);
    void fillLanguageLists();
    void refreshAccessibleNames();
    void showDifferences(const QString& title, const std::vector<qv::params::Difference>& diffs);
    // The last write's verdict in the list.
    void showVerdict();
    // The list with a title and at most one line; no markers.
    void showOnly(const QString& title, const QString& line = {});
    // Why nothing was compared: the meter's reply was damaged, or not whole.
    QString notComparedText(bool damaged) const;
    void compareWith(const QString& title, int code, const std::uint8_t* block);
    void hideCompareMarkers();
    QString captionOf(int control) const;
    // "<file>: <why>" for a file not read or written.
    QString fileTroubleText(const QString& path, qv::files::Trouble trouble, int error) const;
    void note(int text, const QStringList& args = {}) {
        if (note_) note_(text, args);
    }
    // The user changed the values, or a read, load or clear did: what was
    // compared and checked before no longer describes them.
    void valuesEdited();
    // The user changed a value.
    void userEdited();
    void clearComparison();
    // Shows the differences list through `draw`, and again after a language switch.
    void keepList(std::function<void()> draw);
    std::function<void()> drawList_;
    // The list's first lines: that it is from before the meter was
    // identified again, when it is, then its title.
    void startList(const QString& title);
    void showListTime();
    QString listTime_;      // when the list was made; empty: no list
    QString listStaleAt_;   // when the meter was identified again since; empty: not since
    QString captionSuffix_;  // the time added to the list's caption
    void withdrawCheckNote();

    qv::text::AppSettings* settings_;
    qv::link::Session* session_;
    Note note_;
    std::function<void(int)> withdraw_;
    qv::window::PageTexts texts_;
    int settleCountdown_ = 0;
    int selectedCode_ = 0;
    qv::params::ReadValues readValues_;
    std::array<std::vector<std::uint8_t>, 3> sendBlocks_, readBlocks_;
    // Where the page's set came from, and when or from which file.
    enum class Source { None, Meter, File, Hand } source_ = Source::None;
    QString sourceDetail_;
    QDateTime readAt_;  // when the set was last read from the meter
    std::set<int> parkedMarkers_;  // markers of rows hidden by the model or sensor, shown again with them
    // The last write: what it sent, against what the meter held before (its
    // last read), and what the line and the read-back gave.
    std::optional<qv::params::WriteRequest> written_;
    qv::params::WriteResult writeResult_;
    // The set last read from the meter: what "kept its old set" is held against.
    std::optional<qv::params::ParameterSet> fromMeter_;
    qv::dialog::PageFlow flow_{this};
};

}  // namespace qv::pages
