#include "editor/core/LineContent.h"

#include "editor/core/ListRow.h"
#include "image/CodeLists.h"
#include "image/Cp949.h"

namespace orb {

namespace {

constexpr uint8_t kOfferedHoldTime = 2;  // "3"

// The header fields each kind's dialog reads and writes.
void writeEffects(ItemHeader& h, int line, const LineContent& c) {
    h.setEffects(line, c.effects);
}
void writePicture(ItemHeader& h, int line, const LineContent& c) {
    h.setEffects(line, c.effects);
    h.setPictureSize(line, c.pictureWidth, c.pictureHeight);
}
void writeAnimation(ItemHeader& h, int line, const LineContent& c) {
    h.setPictureSize(line, c.pictureWidth, c.pictureHeight);
    h.setFrameCount(line, c.frameCount);
    h.setAnimationSpeed(line, c.animationSpeed);
}
void writeHoldTime(ItemHeader& h, int line, const LineContent& c) {
    EffectBlock e = h.effects(line);
    e.holdTime = c.effects.holdTime;
    h.setEffects(line, e);
}
void writeDday(ItemHeader& h, int line, const LineContent& c) {
    h.setDdayDate(line, c.dday);
}

void readEffects(const ItemHeader& h, int line, LineContent& c) {
    c.effects = h.effects(line);
}
void readPicture(const ItemHeader& h, int line, LineContent& c) {
    c.effects = h.effects(line);
    c.pictureWidth = h.pictureWidth(line);
    c.pictureHeight = h.pictureHeight(line);
}
void readAnimation(const ItemHeader& h, int line, LineContent& c) {
    readPicture(h, line, c);
    c.frameCount = h.frameCount(line);
    c.animationSpeed = h.animationSpeed(line);
}
void readDday(const ItemHeader& h, int line, LineContent& c) {
    c.effects = h.effects(line);
    c.dday = h.ddayDate(line);
}

// A fresh start for a line that had another kind; the stored block stays where the kind leaves
// it alone.
void freshEffects(const ItemHeader&, int, LineContent& c) {
    c.effects = EffectBlock{};
    c.effects.holdTime = kOfferedHoldTime;
}
void freshAnimation(const ItemHeader& h, int line, LineContent& c) {
    c.effects = h.effects(line);
    c.animationSpeed = 0;
}
void freshHoldTime(const ItemHeader& h, int line, LineContent& c) {
    c.effects = h.effects(line);
    c.effects.holdTime = kOfferedHoldTime;
}
void freshDday(const ItemHeader& h, int line, LineContent& c) {
    c.effects = h.effects(line);
}

bool always(const LineContent&) {
    return true;
}
bool hasText(const LineContent& c) {
    return !c.payload.text().empty();
}
bool hasPath(const LineContent& c) {
    return !c.payload.path().empty();
}
bool hasRtfPath(const LineContent& c) {
    return !c.payload.rtfPath().empty();
}

std::string sentenceText(const LineContent& c) {
    return cp949ToUtf8Lossy(c.payload.text());
}
std::string fileText(const LineContent& c) {
    return cp949ToUtf8Lossy(fileNameOf(c.payload.path()));
}
std::string phraseText(const LineContent& c) {
    return fileText(c) + "(비트맵문구)";
}
std::string kindName(const LineContent& c) {
    return labelOf(contentKindNames(), static_cast<size_t>(c.kind));
}

struct KindRow {
    ContentKind kind;
    void (*write)(ItemHeader&, int, const LineContent&);
    void (*read)(const ItemHeader&, int, LineContent&);
    void (*fresh)(const ItemHeader&, int, LineContent&);
    bool (*complete)(const LineContent&);
    std::string (*text)(const LineContent&);
};

constexpr KindRow kKinds[] = {
    {ContentKind::Sentence, writeEffects, readEffects, freshEffects, hasText, sentenceText},
    {ContentKind::Bitmap, writePicture, readPicture, freshEffects, hasPath, fileText},
    {ContentKind::Animation, writeAnimation, readAnimation, freshAnimation, hasPath, fileText},
    {ContentKind::Clock, writeHoldTime, readEffects, freshHoldTime, always, kindName},
    {ContentKind::Dday, writeDday, readDday, freshDday, always, kindName},
    {ContentKind::BitmapPhrase, writePicture, readPicture, freshEffects, hasRtfPath, phraseText},
    {ContentKind::Temperature, writeHoldTime, readEffects, freshHoldTime, always, kindName},
};

const KindRow* rowOf(ContentKind kind) {
    for (const KindRow& r : kKinds)
        if (r.kind == kind) return &r;
    return nullptr;
}

}  // namespace

LineContent dialogStart(const ItemRecord& record, int line, ContentKind kind) {
    LineContent c;
    c.kind = kind;
    const KindRow* row = rowOf(kind);
    if (!row || line < 1 || line > 3) return c;
    if (record.header.kind(line) == kind) {
        row->read(record.header, line, c);
        c.payload = record.line(line);
    } else {
        row->fresh(record.header, line, c);
    }
    return c;
}

TitleSentenceContent titleSentenceStart(const ItemRecord& record) {
    TitleSentenceContent c{record.line(1), record.line(2), record.header.effects(2)};
    // Before its first edit line 2 is no sentence yet: fresh effects, as for any other kind.
    if (record.header.kind(2) != ContentKind::Sentence) {
        LineContent fresh;
        freshEffects(record.header, 2, fresh);
        c.effects = fresh.effects;
    }
    return c;
}

bool isComplete(const LineContent& content) {
    const KindRow* row = rowOf(content.kind);
    return row && row->complete(content);
}

bool isComplete(const TitleSentenceContent& content) {
    return !content.title.text().empty() && !content.sentence.text().empty();
}

void applyLineContent(ItemRecord& record, int line, const LineContent& content) {
    const KindRow* row = rowOf(content.kind);
    if (!row || line < 1 || line > 3) return;
    record.header.setKind(line, content.kind);
    row->write(record.header, line, content);
    record.line(line) = content.payload;
}

void applyTitleSentence(ItemRecord& record, const TitleSentenceContent& content) {
    record.header.setKind(2, ContentKind::Sentence);
    record.header.setEffects(2, content.effects);
    record.line(1) = content.title;
    record.line(2) = content.sentence;
}

std::string editedContentText(const LineContent& content) {
    const KindRow* row = rowOf(content.kind);
    return row ? row->text(content) : std::string{};
}

}  // namespace orb
