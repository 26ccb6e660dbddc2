#pragma once
// OrbDocument: the editor's document without a window (what COrbDoc and COrbView hold together).
// It owns the item store ("data.tmp" in the working folder, or one in memory), the list's rows,
// the cut buffer, the settings block, the current project path and the undo history. Row i and
// record i always describe the same item, and every change is written to the store at once.
//
// Every list and project command is one function returning a DocOutcome; messageOf() gives the
// refusal's text. Commands that change rows or records are steps of the undo history (at least
// kHistoryLimit of them); "unsaved changes" means the history is not at its clean mark. A save
// moves the mark and keeps the history; start-up, open and new start a fresh one. Settings
// setters write the settings block at once and are not in the history (a setting takes effect on
// the link or the sign as it is made, which an undo of the list could not take back); as the
// project file carries them, settings that differ from the ones saved are unsaved changes too.
//
// Selections are lists of 0-based rows in any order; rows outside the list are ignored. "The
// selected item" of a single-row command is the first selected row (the lowest).
#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "editor/core/DocOutcome.h"
#include "editor/core/DocumentObserver.h"
#include "editor/core/LineContent.h"
#include "editor/core/ListRow.h"
#include "editor/core/PreviewBuild.h"
#include "image/ItemStore.h"

namespace orb {

class DocumentEdit;
class StoreLock;

class OrbDocument {
  public:
    static constexpr size_t kHistoryLimit = 200;

    // A document on an item store in memory (tests, orbctl): cleared records, default settings
    // corrected, no working folder.
    OrbDocument();
    ~OrbDocument();
    OrbDocument(const OrbDocument&) = delete;
    OrbDocument& operator=(const OrbDocument&) = delete;

    // Start-up on FOLDER (made when missing): takes the folder's lock (StoreInUse when another editor holds
    // it), opens or creates "data.tmp" (WorkingFolderUnusable when it can be neither), clears its records,
    // reads and corrects the settings (written back), makes sure the folder "RTF" exists. OUT is set only on
    // Done.
    static DocOutcome startUp(const std::string& folder, std::unique_ptr<OrbDocument>& out);

    void addObserver(DocumentObserver* observer);
    void removeObserver(DocumentObserver* observer);

    // --- What the views read ---
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const std::vector<ListRow>& rows() const { return rows_; }
    const ListRow& row(int i) const { return rows_.at(static_cast<size_t>(i)); }
    ItemRecord record(int i) const;  // all zero outside the list
    const SettingsBlock& settings() const { return settings_; }
    const ItemStore& store() const { return *store_; }
    bool cutBufferFull() const { return cutFull_; }
    const std::string& projectPath() const { return path_; }
    bool isClean() const;
    // "Orb" before the project has a name, then "NAME.dat - Orb", "NAME.dat* - Orb" while
    // there are unsaved changes.
    std::string title() const;
    // The working folder (empty for a document in memory) and the preview's "preview.tmp" in it.
    const std::string& folder() const { return folder_; }
    std::string previewPath() const;
    // The first line (1..3) of LAYOUT whose height code in HEIGHTS is more tiers than the sign
    // has; 0 when every line fits, or when the heights would be refused anyway.
    int lineTallerThanSign(LayoutCode layout, const std::array<uint8_t, 3>& heights) const;

    // --- The item list ---
    // Adds an item of LAYOUT at the end; HEIGHTS are the height codes (1..8) of the layout's
    // lines (title, sentence for layout 4), the rest ignored.
    DocOutcome addItem(LayoutCode layout, const std::array<uint8_t, 3>& heights);
    // The height command on the first selected row.
    DocOutcome setHeights(std::span<const int> selected, const std::array<uint8_t, 3>& heights);
    // The display-time command on the first selected row.
    DocOutcome setDisplayTime(std::span<const int> selected, const ClockTime& start, const ClockTime& end);
    // A content dialog's OK on line LINE (1..3) of the first selected row, as one step; an
    // incomplete result changes nothing (Incomplete).
    DocOutcome setLineContent(std::span<const int> selected, int line, const LineContent& content);
    DocOutcome setTitleSentence(std::span<const int> selected, const TitleSentenceContent& content);
    DocOutcome cut(std::span<const int> selected);
    // Inserts the cut item before the selected row; the buffer stays full.
    DocOutcome paste(std::span<const int> selected);
    DocOutcome deleteRows(std::span<const int> selected);

    // What the dialogs of the first selected row open on (see LineContent.h).
    LineContent lineDialogStart(int row, int line, ContentKind kind) const;
    TitleSentenceContent titleSentenceDialogStart(int row) const;

    // --- The undo history ---
    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < history_.size(); }
    DocOutcome undo();
    DocOutcome redo();

    // --- Project files ---
    // Open: the name must end in ".dat" (any case) and the file be 473,632 bytes; a refusal
    // changes nothing. Records past the first of layout 0 are not items and become zero.
    DocOutcome open(const std::string& path);
    // To the current path without asking; NeedsSaveAs when there is none.
    DocOutcome save();
    // Writes a temporary file beside PATH and renames it over PATH; CannotSave leaves the file
    // and the current path as they were. A save moves the clean mark and keeps the history.
    DocOutcome saveAs(const std::string& path);
    DocOutcome newProject();
    // A program that comes from elsewhere (a bundle, the sign) replaces the store's records and
    // settings as open does, but has no project file yet: no path, and unsaved changes until it
    // is saved, so that New, Open and closing ask.
    DocOutcome openImported(const ItemStore& program);

    // --- Settings (written at once, not undoable, unsaved until the project is saved); Unchanged
    // when the value was already so, InvalidValue outside the ranges ---
    DocOutcome setSignSize(uint8_t width, uint8_t height);  // columns 5..40, tiers 1..8
    DocOutcome setLinkMode(LinkMode mode);                  // "RS232전송" / "TCP/IP전송"
    DocOutcome setComPort(uint8_t port);                    // 1..20
    DocOutcome setTcpPeer(const std::array<uint8_t, 4>& ip, uint16_t port);
    DocOutcome setOnOffTimes(const ClockTime& on, const ClockTime& off);
    DocOutcome setOnOffEnabled(bool enabled);
    DocOutcome setWindowMode(uint8_t mode);   // 0 always, 1 only inside the window
    DocOutcome setBrightness(uint8_t level);  // 0..9 for "1".."10"

    // --- Preview and memory ---
    // A copy of the store in memory, for a build on another thread.
    IoResult snapshot(ItemStore& out) const;
    // The share of the sign's memory the program takes, computed on the calling thread after a
    // change. Each distinct record is encoded once; open and new forget what was measured.
    MemoryUse memoryUse() const;

  private:
    friend class DocumentEdit;

    explicit OrbDocument(std::unique_ptr<ItemStore> store);
    // After the store's records were replaced: settings read and corrected, rows rebuilt, cut
    // buffer emptied, PATH the project path, a fresh history.
    DocOutcome restart(const std::string& path);
    DocOutcome runEdit(std::unique_ptr<DocumentEdit> edit);
    DocOutcome step(bool forward);
    // Changes the first selected item in place as one step of type EDIT; CHANGE refuses or
    // edits the record and its row.
    using ItemChange = std::function<DocOutcome(ItemRecord&, ListRow&)>;
    template <typename Edit>
    DocOutcome replaceSelected(std::span<const int> selected, const ItemChange& change);
    DocOutcome writeSettings(const SettingsBlock& next);
    void announce(bool wasClean, const std::string& oldTitle);
    void announceTitle(bool wasClean, const std::string& oldTitle);
    std::vector<int> selectedRows(std::span<const int> selected) const;

    std::unique_ptr<StoreLock> lock_;
    std::unique_ptr<ItemStore> store_;
    std::vector<ListRow> rows_;
    SettingsBlock settings_;
    ItemRecord cutBuffer_;
    bool cutFull_ = false;
    std::string path_;
    std::string folder_;
    std::vector<std::unique_ptr<DocumentEdit>> history_;
    size_t done_ = 0;              // steps of history_ applied
    long long cleanAt_ = 0;        // done_ at the last save or reset; -1 when no longer reachable
    SettingsBlock cleanSettings_;  // the settings at the last save or reset
    std::vector<DocumentObserver*> observers_;
    mutable bool memoryKnown_ = false;
    mutable MemoryUse memory_;
    mutable std::unordered_map<std::string, uint64_t> sectorCache_;  // by record bytes
};

}  // namespace orb
