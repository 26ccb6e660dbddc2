#include "editor/dialogs/SentenceEditor.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QRadioButton>
#include <QTextBlock>
#include <QVBoxLayout>
#include <array>

#include "image/CodeLists.h"

namespace orb {

namespace {

constexpr int kTypefaceProperty = QTextFormat::UserProperty + 1;

bool isUnshown(Glyph g) {
    return g == Glyph::NoGlyph || g == Glyph::NotCp949;
}

const QColor kTextColours[4] = {QColor(0xFF, 0, 0), QColor(0, 0xFF, 0), QColor(0xFF, 0xFF, 0),
                                QColor(0, 0, 0)};
const QColor kBackgrounds[4] = {QColor(0, 0, 0), QColor(0xFF, 0, 0), QColor(0, 0xFF, 0),
                                QColor(0xFF, 0xFF, 0)};

// The nearest of the four colours: formats pasted from elsewhere land on one of them.
int nearest(const QColor& c, const QColor (&table)[4]) {
    int best = 0, bestDistance = INT_MAX;
    for (int i = 0; i < 4; ++i) {
        const int dr = c.red() - table[i].red(), dg = c.green() - table[i].green(),
                  db = c.blue() - table[i].blue();
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) best = i, bestDistance = d;
    }
    return best;
}

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

}  // namespace

SignTextEdit::SignTextEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setTabChangesFocus(true);  // a tab would not be stored: Tab moves on to the radios
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, kTextColours[0]);
    setPalette(p);
    setCurrentCharFormat(formatFor({}));
    setFixedHeight(70);
}

void SignTextEdit::insertFromMimeData(const QMimeData* source) {
    QString text = source->text();
    QString clean;
    clean.reserve(text.size());
    for (QChar c : text)
        if (!isControl(c)) clean += c;
    textCursor().insertText(clean);
}

void SignTextEdit::keyPressEvent(QKeyEvent* e) {
    // One line of text: Enter is the dialog's.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->ignore();
        return;
    }
    QTextEdit::keyPressEvent(e);
}

QTextCharFormat formatFor(const Attributes& a) {
    QTextCharFormat f;
    const int face = static_cast<int>(a.typeface);
    f.setFontFamilies({signFaceFamily(face)});
    f.setFontWeight(QFont::Bold);
    f.setFontPointSize(21);
    f.setForeground(kTextColours[static_cast<int>(a.text)]);
    f.setBackground(kBackgrounds[static_cast<int>(a.background)]);
    f.setProperty(kTypefaceProperty, face);
    return f;
}

Attributes attributesOf(const QTextCharFormat& f) {
    Attributes a;
    a.text = static_cast<TextColour>(
        f.hasProperty(QTextFormat::ForegroundBrush) ? nearest(f.foreground().color(), kTextColours) : 0);
    a.background = static_cast<BackgroundColour>(f.hasProperty(QTextFormat::BackgroundBrush) &&
                                                         f.background().style() != Qt::NoBrush
                                                     ? nearest(f.background().color(), kBackgrounds)
                                                     : 0);
    int face = 0;
    if (f.hasProperty(kTypefaceProperty)) {
        face = f.intProperty(kTypefaceProperty) & 3;
    } else {
        // By face name: the sign faces and the names the description gives them.
        const QStringList families = f.fontFamilies().toStringList();
        const QString family = families.isEmpty() ? QString() : families.first();
        for (int i = 0; i < 4; ++i)
            if (family == signFaceFamily(i) ||
                family == QString::fromUtf8(typefaceFonts()[static_cast<size_t>(i)]))
                face = i;
    }
    a.typeface = static_cast<Typeface>(face);
    return a;
}

SentenceText sentenceOf(const QTextDocument& doc) {
    SentenceText out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid()) continue;
            const Attributes a = attributesOf(frag.charFormat());
            for (char32_t c : frag.text().toUcs4()) out.push_back({c, a});
        }
    }
    return out;
}

void fillDocument(QTextEdit& edit, const SentenceText& text) {
    edit.clear();
    QTextCursor cursor(edit.document());
    for (size_t i = 0; i < text.size();) {
        // One insertion per run of equal attributes.
        size_t j = i;
        QString run;
        while (j < text.size() && text[j].attributes == text[i].attributes) {
            const char32_t c = text[j].code;
            run += QString::fromUcs4(&c, 1);
            ++j;
        }
        cursor.insertText(run, formatFor(text[i].attributes));
        i = j;
    }
    edit.moveCursor(QTextCursor::End);
    edit.setCurrentCharFormat(text.empty() ? formatFor({}) : formatFor(text.back().attributes));
}

SentenceEditor::SentenceEditor(const SignContext& sign, int heightCode, QWidget* parent)
    : QWidget(parent),
      sign_(sign),
      geometry_{sign.signColumns, heightCode},
      edit_(new SignTextEdit(this)),
      preview_(new LedView(this)),
      warning_(new QLabel(this)),
      planes_(std::make_unique<PlanePair>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    layout->addWidget(warning_);
    warning_->setStyleSheet("color: #b00000");
    warning_->setWordWrap(true);

    auto* radios = new QHBoxLayout;
    const char* titles[3] = {"글자색", "배경색", "글자체"};
    const CodeList labels[3] = {textColours(), backgroundColours(), typefaceLabels()};
    for (int g = 0; g < 3; ++g) {
        auto* box = new QGroupBox(QString::fromUtf8(titles[g]), this);
        auto* row = new QHBoxLayout(box);
        groups_[g] = new QButtonGroup(this);
        for (size_t i = 0; i < labels[g].size(); ++i) {
            auto* r = new QRadioButton(QString::fromUtf8(labels[g][i]), box);
            row->addWidget(r);
            groups_[g]->addButton(r, static_cast<int>(i));
        }
        groups_[g]->button(0)->setChecked(true);
        connect(groups_[g], &QButtonGroup::idClicked, this, [this, g](int id) { choose(g, id); });
        radios->addWidget(box);
    }
    layout->addLayout(radios);
    layout->addWidget(preview_);
    preview_->setRowsShown(sign.rowsShown(heightCode));

    drawer_ = [this](const LinePayload& p, PlanePair& out) {
        if (sign_.fonts) drawSentencePreview(*sign_.fonts, geometry_, p, out);
    };
    connect(edit_, &QTextEdit::textChanged, this, &SentenceEditor::refresh);
    connect(edit_, &QTextEdit::cursorPositionChanged, this, &SentenceEditor::followCaret);
    connect(edit_, &QTextEdit::selectionChanged, this, &SentenceEditor::followCaret);
    connect(edit_, &QTextEdit::currentCharFormatChanged, this, &SentenceEditor::followCaret);
    refresh();
}

namespace {

// The radio of each group (colour, background, face) that shows A.
std::array<int, 3> radiosOf(const Attributes& a) {
    return {static_cast<int>(a.text), static_cast<int>(a.background), static_cast<int>(a.typeface)};
}

// What the characters from FROM to TO (in the edit's UTF-16 positions) have in common, by group;
// -1 where they differ.
std::array<int, 3> commonRadios(const SentenceText& text, int from, int to) {
    std::array<int, 3> shown{-1, -1, -1};
    bool first = true;
    int position = 0;
    for (const SentenceChar& c : text) {
        if (position >= from && position < to) {
            const std::array<int, 3> own = radiosOf(c.attributes);
            for (size_t g = 0; g < 3; ++g)
                if (first || shown[g] != own[g]) shown[g] = first ? own[g] : -1;
            first = false;
        }
        position += c.code > 0xFFFF ? 2 : 1;
    }
    return shown;
}

}  // namespace

void SentenceEditor::followCaret() {
    const QTextCursor cursor = edit_->textCursor();
    const std::array<int, 3> shown =
        cursor.hasSelection() ? commonRadios(sentence(), cursor.selectionStart(), cursor.selectionEnd())
                              : radiosOf(attributesOf(edit_->currentCharFormat()));
    for (size_t g = 0; g < 3; ++g) {
        QButtonGroup* group = groups_[g];
        if (shown[g] >= 0) {
            group->button(shown[g])->setChecked(true);
            continue;
        }
        group->setExclusive(false);  // an exclusive group cannot have none checked
        for (QAbstractButton* b : group->buttons()) b->setChecked(false);
        group->setExclusive(true);
    }
}

QRadioButton* SentenceEditor::radio(int group, int index) const {
    return qobject_cast<QRadioButton*>(groups_[group]->button(index));
}

// The property goes to the selection, then to the end of the text so that typing there takes it.
void SentenceEditor::choose(int group, int index) {
    QTextCharFormat f;
    if (group == 0) f.setForeground(kTextColours[index]);
    if (group == 1) f.setBackground(kBackgrounds[index]);
    if (group == 2) {
        f.setFontFamilies({signFaceFamily(index)});
        f.setFontWeight(QFont::Bold);
        f.setProperty(kTypefaceProperty, index);
    }
    QTextCursor cursor = edit_->textCursor();
    // A caret already at the end keeps what earlier radios set for the text typed next.
    const bool atEnd = !cursor.hasSelection() && cursor.atEnd();
    const QTextCharFormat pending = edit_->currentCharFormat();
    if (cursor.hasSelection()) cursor.mergeCharFormat(f);
    cursor.clearSelection();
    cursor.movePosition(QTextCursor::End);
    edit_->setTextCursor(cursor);
    if (atEnd) edit_->setCurrentCharFormat(pending);
    edit_->mergeCurrentCharFormat(f);
    edit_->setFocus();
    refresh();
}

LinePayload SentenceEditor::payload() const {
    return EncodeSentence(sentence());
}

void SentenceEditor::setSentence(const LinePayload& payload) {
    fillDocument(*edit_, DecodeSentence(payload));
    refresh();
}

void SentenceEditor::setPreviewDrawer(PreviewDrawer d) {
    drawer_ = std::move(d);
    refresh();
}

QString SentenceEditor::unshownCharacters() const {
    QString out;
    for (const SentenceChar& c : sentence()) {
        if (!isUnshown(glyphKind(c.code))) continue;
        const QString s = QString::fromUcs4(&c.code, 1);
        if (!out.contains(s)) out += s;
    }
    return out;
}

bool SentenceEditor::confirmUnshown(QWidget* parent) const {
    return confirmUnshownCharacters(parent, unshownCharacters());
}

bool confirmUnshownCharacters(QWidget* parent, const QString& chars) {
    if (chars.isEmpty()) return true;
    return showMessage(
               parent, MessageKind::Question, QString::fromUtf8("글자 확인"),
               QString::fromUtf8("전광판에 없는 글자가 있습니다: %1\n그대로 저장할까요?").arg(chars)) ==
           QMessageBox::Yes;
}

void SentenceEditor::markUnshown() {
    QList<QTextEdit::ExtraSelection> marks;
    int position = 0;
    for (const SentenceChar& c : sentence()) {
        const int units = c.code > 0xFFFF ? 2 : 1;
        if (isUnshown(glyphKind(c.code))) {
            QTextEdit::ExtraSelection mark;
            mark.cursor = QTextCursor(edit_->document());
            mark.cursor.setPosition(position);
            mark.cursor.setPosition(position + units, QTextCursor::KeepAnchor);
            mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
            mark.format.setUnderlineColor(Qt::white);
            mark.format.setBackground(QColor(0x60, 0x60, 0xC0));
            marks.append(mark);
        }
        position += units;
    }
    edit_->setExtraSelections(marks);
}

void SentenceEditor::refresh() {
    markUnshown();
    const SentenceText text = sentence();
    QStringList notes;
    if (const QString chars = unshownCharacters(); !chars.isEmpty())
        notes << QString::fromUtf8("전광판에 없는 글자: %1 (빈칸이나 ?로 표시됩니다)").arg(chars);
    if (exceedsTextArea(text)) notes << QString::fromUtf8("511바이트를 넘는 글자는 저장되지 않습니다");
    warning_->setText(notes.join('\n'));
    warning_->setVisible(!notes.isEmpty());
    const LinePayload p = EncodeSentence(text);
    clearPair(*planes_);
    if (drawer_) drawer_(p, *planes_);
    preview_->showPlanes(*planes_, geometry_.widthPixels(), geometry_.heightPixels());
}

}  // namespace orb
