#include "editor/core/OrbDocument.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "editor/core/DocumentEdit.h"
#include "editor/core/ProjectFile.h"
#include "editor/core/StoreLock.h"
#include "image/Cp949.h"
#include "image/ReplaceFile.h"

namespace orb {

namespace {

constexpr uint8_t kMaxHeightSum = 8;  // 128 pixels

bool validTime(const ClockTime& t) {
    return t.hour <= 23 && t.minute <= 59;
}

bool isLineLayout(LayoutCode layout) {
    return layout == LayoutCode::OneLine || layout == LayoutCode::TwoLines ||
           layout == LayoutCode::ThreeLines;
}

// The folder "RTF" for bitmap phrases, found among the entries without regard to case.
bool makeRtfFolder(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (name == "rtf" && entry.is_directory(ec)) return true;
    }
    if (ec) return false;
    std::filesystem::create_directory(std::filesystem::path(folder) / "RTF", ec);
    return !ec;
}

// "data.tmp" of another size is not a store: it is replaced by a zero one.
IoResult openStore(const std::string& path, ItemStore& store) {
    IoResult r = ItemStore::open(path, FileMode::CreateOrOpen, store);
    if (r == IoResult::WrongSize) {
        r = createZeroFile(path, ItemStore::kFileSize);
        if (r == IoResult::Ok) r = ItemStore::open(path, FileMode::ReadWrite, store);
    }
    return r;
}

// Heights of the layout's lines: codes 1..8 and, but for one line, a sum of at most 8.
DocOutcome checkHeights(LayoutCode layout, const std::array<uint8_t, 3>& heights, DocOutcome tooTall) {
    const int lines = linesOf(layout);
    int sum = 0;
    for (int i = 0; i < lines; ++i) {
        if (heights[static_cast<size_t>(i)] < 1 || heights[static_cast<size_t>(i)] > 8)
            return DocOutcome::InvalidValue;
        sum += heights[static_cast<size_t>(i)];
    }
    return layout != LayoutCode::OneLine && sum > kMaxHeightSum ? tooTall : DocOutcome::Done;
}

}  // namespace

OrbDocument::OrbDocument() : OrbDocument(std::make_unique<ItemStore>()) {
    store_->clearRecords();
    restart({});
}

OrbDocument::OrbDocument(std::unique_ptr<ItemStore> store) : store_(std::move(store)) {}

OrbDocument::~OrbDocument() = default;

DocOutcome OrbDocument::startUp(const std::string& folder, std::unique_ptr<OrbDocument>& out) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);  // a missing $ORB_HOME is made
    std::unique_ptr<StoreLock> lock;
    const DocOutcome locked = StoreLock::acquire(folder, lock);
    if (locked != DocOutcome::Done) return locked;
    auto store = std::make_unique<ItemStore>();
    removeLeftovers(folder + "/data.tmp");  // of an editor killed while making it
    if (openStore(folder + "/data.tmp", *store) != IoResult::Ok || !makeRtfFolder(folder))
        return DocOutcome::WorkingFolderUnusable;
    std::unique_ptr<OrbDocument> doc(new OrbDocument(std::move(store)));
    doc->lock_ = std::move(lock);
    doc->folder_ = folder;
    if (doc->store_->clearRecords() != IoResult::Ok || doc->restart({}) != DocOutcome::Done)
        return DocOutcome::WorkingFolderUnusable;
    out = std::move(doc);
    return DocOutcome::Done;
}

void OrbDocument::addObserver(DocumentObserver* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void OrbDocument::removeObserver(DocumentObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

ItemRecord OrbDocument::record(int i) const {
    ItemRecord r;
    if (i < 0 || i >= rowCount() || store_->readRecord(i, r) != IoResult::Ok) return ItemRecord{};
    return r;
}

bool OrbDocument::isClean() const {
    return cleanAt_ == static_cast<long long>(done_) && settings_ == cleanSettings_;
}

int OrbDocument::lineTallerThanSign(LayoutCode layout, const std::array<uint8_t, 3>& heights) const {
    if (checkHeights(layout, heights, DocOutcome::LinesTooTall) != DocOutcome::Done) return 0;
    for (int line = 1; line <= linesOf(layout); ++line)
        if (heights[static_cast<size_t>(line) - 1] > settings_.signHeight()) return line;
    return 0;
}

std::string OrbDocument::title() const {
    if (path_.empty()) return kAppTitle;
    return fileNameOf(path_) + (isClean() ? "" : "*") + " - " + kAppTitle;
}

std::string OrbDocument::previewPath() const {
    return folder_.empty() ? std::string("preview.tmp") : folder_ + "/preview.tmp";
}

std::vector<int> OrbDocument::selectedRows(std::span<const int> selected) const {
    std::vector<int> rows;
    for (int r : selected)
        if (r >= 0 && r < rowCount()) rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void OrbDocument::announce(bool wasClean, const std::string& oldTitle) {
    memoryKnown_ = false;
    for (DocumentObserver* o : observers_) o->historyChanged();
    announceTitle(wasClean, oldTitle);
}

void OrbDocument::announceTitle(bool wasClean, const std::string& oldTitle) {
    if (wasClean != isClean() || oldTitle != title())
        for (DocumentObserver* o : observers_) o->titleChanged(title(), isClean());
}

DocOutcome OrbDocument::restart(const std::string& path) {
    const bool wasClean = isClean();
    const std::string oldTitle = title();
    const bool wasFull = cutFull_;
    SettingsBlock settings;
    std::vector<ListRow> rows;
    const IoResult r = store_->loadSettings(settings);
    const IoResult read = readListRows(*store_, rows);
    settings_ = settings;
    cleanSettings_ = settings;
    rows_ = std::move(rows);
    cutBuffer_ = ItemRecord{};
    cutFull_ = false;
    path_ = path;
    history_.clear();
    done_ = 0;
    cleanAt_ = 0;
    sectorCache_.clear();
    memoryKnown_ = false;
    for (DocumentObserver* o : observers_) {
        o->rowsReset();
        o->settingsChanged();
        if (wasFull) o->cutBufferChanged(false);
    }
    announce(wasClean, oldTitle);
    return r == IoResult::Ok && read == IoResult::Ok ? DocOutcome::Done : DocOutcome::StoreWriteFailed;
}

DocOutcome OrbDocument::runEdit(std::unique_ptr<DocumentEdit> edit) {
    const bool wasClean = isClean();
    const std::string oldTitle = title();
    if (edit->apply(*this) != IoResult::Ok) {
        announce(wasClean, oldTitle);
        return DocOutcome::StoreWriteFailed;
    }
    history_.resize(done_);  // the steps undone can no longer be redone
    if (cleanAt_ > static_cast<long long>(done_)) cleanAt_ = -1;
    history_.push_back(std::move(edit));
    ++done_;
    if (history_.size() > kHistoryLimit) {
        history_.erase(history_.begin());
        --done_;
        cleanAt_ = cleanAt_ > 0 ? cleanAt_ - 1 : -1;
    }
    announce(wasClean, oldTitle);
    return DocOutcome::Done;
}

DocOutcome OrbDocument::step(bool forward) {
    if (forward ? !canRedo() : !canUndo()) return DocOutcome::Unchanged;
    const bool wasClean = isClean();
    const std::string oldTitle = title();
    DocumentEdit& edit = forward ? *history_[done_] : *history_[done_ - 1];
    if ((forward ? edit.apply(*this) : edit.undo(*this)) != IoResult::Ok) {
        announce(wasClean, oldTitle);
        return DocOutcome::StoreWriteFailed;
    }
    forward ? ++done_ : --done_;
    announce(wasClean, oldTitle);
    return DocOutcome::Done;
}

DocOutcome OrbDocument::undo() {
    return step(false);
}

DocOutcome OrbDocument::redo() {
    return step(true);
}

// --- The item list ---

DocOutcome OrbDocument::addItem(LayoutCode layout, const std::array<uint8_t, 3>& heights) {
    if (layout == LayoutCode::None || static_cast<int>(layout) > 4) return DocOutcome::InvalidValue;
    if (rowCount() >= ItemStore::kRecords) return DocOutcome::StoreFull;
    const DocOutcome checked = checkHeights(
        layout, heights,
        layout == LayoutCode::TitleAndSentence ? DocOutcome::TitleTooTall : DocOutcome::LinesTooTall);
    if (checked != DocOutcome::Done) return checked;
    std::array<uint8_t, 3> codes{};
    for (int i = 0; i < linesOf(layout); ++i) codes[static_cast<size_t>(i)] = heights[static_cast<size_t>(i)];
    ItemRecord record;
    record.header = ItemHeader::newItem(layout, codes);
    return runEdit(std::make_unique<AddItemEdit>(rowCount(), record));
}

template <typename Edit>
DocOutcome OrbDocument::replaceSelected(std::span<const int> selected, const ItemChange& change) {
    const std::vector<int> rows = selectedRows(selected);
    if (rows.empty()) return DocOutcome::NoRowSelected;
    const int at = rows.front();
    const ItemRecord before = record(at);
    ItemRecord after = before;
    ListRow afterRow = row(at);
    const DocOutcome changed = change(after, afterRow);
    if (changed != DocOutcome::Done) return changed;
    if (after == before && afterRow.columns == row(at).columns) return DocOutcome::Unchanged;
    return runEdit(std::make_unique<Edit>(at, before, row(at), after, afterRow));
}

DocOutcome OrbDocument::setHeights(std::span<const int> selected, const std::array<uint8_t, 3>& heights) {
    return replaceSelected<HeightEdit>(selected, [&](ItemRecord& r, ListRow& row) {
        const LayoutCode layout = r.header.layout();
        if (linesOf(layout) == 0) return DocOutcome::LineNotInLayout;
        const DocOutcome checked = checkHeights(layout, heights, DocOutcome::HeightChangeTooTall);
        if (checked != DocOutcome::Done) return checked;
        for (int line = 1; line <= linesOf(layout); ++line) {
            r.header.setHeightCode(line, heights[static_cast<size_t>(line - 1)]);
            row.columns[ListRow::Height1 + line - 1] = heightText(heights[static_cast<size_t>(line - 1)]);
        }
        return DocOutcome::Done;
    });
}

DocOutcome OrbDocument::setDisplayTime(std::span<const int> selected, const ClockTime& start,
                                       const ClockTime& end) {
    if (!validTime(start) || !validTime(end)) return DocOutcome::InvalidValue;
    return replaceSelected<DisplayTimeEdit>(selected, [&](ItemRecord& r, ListRow& row) {
        r.header.setWindow(start, end);
        row.columns[ListRow::WindowStart] = clockText(start);
        row.columns[ListRow::WindowEnd] = clockText(end);
        return DocOutcome::Done;
    });
}

DocOutcome OrbDocument::setLineContent(std::span<const int> selected, int line, const LineContent& content) {
    return replaceSelected<LineContentEdit>(selected, [&](ItemRecord& r, ListRow& row) {
        const LayoutCode layout = r.header.layout();
        if (!isLineLayout(layout) || line < 1 || line > linesOf(layout)) return DocOutcome::LineNotInLayout;
        if (!isComplete(content)) return DocOutcome::Incomplete;
        applyLineContent(r, line, content);
        row.columns[ListRow::Content1 + line - 1] = editedContentText(content);
        return DocOutcome::Done;
    });
}

DocOutcome OrbDocument::setTitleSentence(std::span<const int> selected, const TitleSentenceContent& content) {
    return replaceSelected<TitleSentenceEdit>(selected, [&](ItemRecord& r, ListRow& row) {
        if (r.header.layout() != LayoutCode::TitleAndSentence) return DocOutcome::LineNotInLayout;
        if (!isComplete(content)) return DocOutcome::Incomplete;
        applyTitleSentence(r, content);
        row.columns[ListRow::Content1] = cp949ToUtf8Lossy(content.title.text());
        row.columns[ListRow::Content1 + 1] = cp949ToUtf8Lossy(content.sentence.text());
        return DocOutcome::Done;
    });
}

DocOutcome OrbDocument::cut(std::span<const int> selected) {
    const std::vector<int> rows = selectedRows(selected);
    if (rows.size() >= 2) return DocOutcome::CutNeedsOneRow;
    if (rowCount() == 0) return DocOutcome::NothingToCut;
    if (rows.empty()) return DocOutcome::Unchanged;  // the command is disabled then
    const int at = rows.front();
    return runEdit(std::make_unique<CutEdit>(at, record(at), row(at), cutBuffer_, cutFull_));
}

DocOutcome OrbDocument::paste(std::span<const int> selected) {
    const std::vector<int> rows = selectedRows(selected);
    if (!cutFull_) return DocOutcome::CutBufferEmpty;
    if (rowCount() >= ItemStore::kRecords) return DocOutcome::StoreFull;
    if (rows.empty()) return DocOutcome::NoPasteSelection;
    if (rows.size() >= 2) return DocOutcome::PasteNeedsOneRow;
    return runEdit(std::make_unique<PasteEdit>(rows.front(), cutBuffer_));
}

DocOutcome OrbDocument::deleteRows(std::span<const int> selected) {
    const std::vector<int> rows = selectedRows(selected);
    if (rowCount() == 0) return DocOutcome::NothingToDelete;
    if (rows.empty()) return DocOutcome::NoDeleteSelection;
    std::vector<DeleteEdit::Removed> removed;
    for (int at : rows) removed.push_back({at, record(at), row(at)});
    return runEdit(std::make_unique<DeleteEdit>(std::move(removed)));
}

LineContent OrbDocument::lineDialogStart(int row, int line, ContentKind kind) const {
    return dialogStart(record(row), line, kind);
}

TitleSentenceContent OrbDocument::titleSentenceDialogStart(int row) const {
    return titleSentenceStart(record(row));
}

// --- Project files ---

DocOutcome OrbDocument::open(const std::string& path) {
    removeLeftovers(path);  // of an editor killed while saving this project
    auto bytes = std::make_unique<StoreBytes>();
    const DocOutcome read = readProjectFile(path, *bytes);
    if (read != DocOutcome::Done) return read;
    zeroRecordsPastList(*bytes);
    if (store_->writeAll(*bytes) != IoResult::Ok) {
        restart({});  // the list shows what the store now holds
        return DocOutcome::StoreWriteFailed;
    }
    return restart(path);
}

DocOutcome OrbDocument::save() {
    return path_.empty() ? DocOutcome::NeedsSaveAs : saveAs(path_);
}

DocOutcome OrbDocument::saveAs(const std::string& path) {
    // Renaming a project over "data.tmp" would leave the store writing into a removed file.
    std::error_code ec;
    if (!folder_.empty() && std::filesystem::equivalent(path, folder_ + "/data.tmp", ec))
        return DocOutcome::CannotSave;
    auto bytes = std::make_unique<StoreBytes>();
    if (store_->readAll(*bytes) != IoResult::Ok) return DocOutcome::CannotSave;
    const DocOutcome written = writeProjectFile(path, *bytes);
    if (written != DocOutcome::Done) return written;
    const bool wasClean = isClean();
    const std::string oldTitle = title();
    path_ = path;
    cleanAt_ = static_cast<long long>(done_);
    cleanSettings_ = settings_;
    announce(wasClean, oldTitle);
    return DocOutcome::Done;
}

DocOutcome OrbDocument::openImported(const ItemStore& program) {
    auto bytes = std::make_unique<StoreBytes>();
    if (program.readAll(*bytes) != IoResult::Ok) return DocOutcome::StoreWriteFailed;
    zeroRecordsPastList(*bytes);
    if (store_->writeAll(*bytes) != IoResult::Ok) {
        restart({});
        return DocOutcome::StoreWriteFailed;
    }
    const DocOutcome r = restart({});
    const std::string oldTitle = title();
    cleanAt_ = -1;
    announceTitle(true, oldTitle);
    return r;
}

DocOutcome OrbDocument::newProject() {
    const IoResult cleared = store_->clearRecords();
    const DocOutcome r = restart({});
    return cleared == IoResult::Ok ? r : DocOutcome::StoreWriteFailed;
}

// --- Settings ---

DocOutcome OrbDocument::writeSettings(const SettingsBlock& next) {
    if (next == settings_) return DocOutcome::Unchanged;
    if (store_->writeSettings(next) != IoResult::Ok) return DocOutcome::StoreWriteFailed;
    const bool wasClean = isClean();
    const std::string oldTitle = title();
    settings_ = next;
    for (DocumentObserver* o : observers_) o->settingsChanged();
    announceTitle(wasClean, oldTitle);
    return DocOutcome::Done;
}

DocOutcome OrbDocument::setSignSize(uint8_t width, uint8_t height) {
    if (width < 5 || width > 40 || height < 1 || height > 8) return DocOutcome::InvalidValue;
    SettingsBlock next = settings_;
    next.setSignWidth(width);
    next.setSignHeight(height);
    return writeSettings(next);
}

DocOutcome OrbDocument::setLinkMode(LinkMode mode) {
    if (settings_.linkMode() == mode) return DocOutcome::Unchanged;
    SettingsBlock next = settings_;
    next.setLinkMode(mode);
    return writeSettings(next);
}

DocOutcome OrbDocument::setComPort(uint8_t port) {
    if (port < 1 || port > 20) return DocOutcome::InvalidValue;
    SettingsBlock next = settings_;
    next.setComPort(port);
    return writeSettings(next);
}

DocOutcome OrbDocument::setTcpPeer(const std::array<uint8_t, 4>& ip, uint16_t port) {
    SettingsBlock next = settings_;
    next.setIpAddress(ip);
    next.setTcpPort(port);
    return writeSettings(next);
}

DocOutcome OrbDocument::setOnOffTimes(const ClockTime& on, const ClockTime& off) {
    if (!validTime(on) || !validTime(off)) return DocOutcome::InvalidValue;
    SettingsBlock next = settings_;
    next.setOnOffTimes(on.hour, on.minute, off.hour, off.minute);
    return writeSettings(next);
}

DocOutcome OrbDocument::setOnOffEnabled(bool enabled) {
    SettingsBlock next = settings_;
    next.setOnOffEnabled(enabled);
    return writeSettings(next);
}

DocOutcome OrbDocument::setWindowMode(uint8_t mode) {
    if (mode > 1) return DocOutcome::InvalidValue;
    SettingsBlock next = settings_;
    next.setWindowMode(mode);
    return writeSettings(next);
}

DocOutcome OrbDocument::setBrightness(uint8_t level) {
    if (level > 9) return DocOutcome::InvalidValue;
    SettingsBlock next = settings_;
    next.setBrightness(level);
    return writeSettings(next);
}

// --- Preview and memory ---

IoResult OrbDocument::snapshot(ItemStore& out) const {
    auto bytes = std::make_unique<StoreBytes>();
    IoResult r = store_->readAll(*bytes);
    if (r != IoResult::Ok) return r;
    out = ItemStore();
    return out.writeAll(*bytes);
}

MemoryUse OrbDocument::memoryUse() const {
    if (memoryKnown_) return memory_;
    MemoryUse use;
    std::array<uint8_t, ItemRecord::kSize> bytes;
    for (int i = 0; i < rowCount(); ++i) {
        const ItemRecord r = record(i);
        r.toBytes(bytes);
        const std::string key(bytes.begin(), bytes.end());
        auto found = sectorCache_.find(key);
        if (found == sectorCache_.end()) found = sectorCache_.emplace(key, itemSectors(r)).first;
        use.sectors += found->second;
    }
    memory_ = use;
    memoryKnown_ = true;
    return use;
}

}  // namespace orb
