#include "editor/dialogs/PhraseDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "content/FileBytes.h"
#include "editor/dialogs/PhraseRender.h"
#include "image/CodeLists.h"

namespace orb {

namespace {

const QColor kTextColours[4] = {Qt::red, Qt::green, Qt::yellow, Qt::black};
const QColor kBackgrounds[4] = {Qt::black, Qt::red, Qt::green, Qt::yellow};
constexpr int kDefaultPoints = 21;

// Korean-capable families first, then every other one.
QStringList fontFamilies() {
    QStringList korean = QFontDatabase::families(QFontDatabase::Korean);
    QStringList out = korean;
    for (const QString& f : QFontDatabase::families())
        if (!korean.contains(f) && !f.startsWith('@')) out << f;
    return out;
}

QComboBox* comboOf(const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->addItems(items);
    return box;
}

QStringList labels(CodeList list) {
    QStringList out;
    for (const char* s : list) out << QString::fromUtf8(s);
    return out;
}

}  // namespace

PhrasePreview::PhrasePreview(int signColumns, int heightCode, QWidget* parent)
    : QWidget(parent), lineWidth_(16 * signColumns), lineHeight_(16 * heightCode) {
    setFixedSize(sizeHint());
}

void PhrasePreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
    // The backdrop: a dark panel a little larger than the area.
    p.fillRect(5, 5, kAreaWidth + 10, kAreaHeight + 10, QColor(40, 40, 48));
    p.setClipRect(10, 10, kAreaWidth, kAreaHeight);
    if (!working_.isNull()) p.drawImage(10, 10, working_);
    p.setClipping(false);
    p.setPen(Qt::white);
    p.drawRect(10, 10, lineWidth_, lineHeight_);
}

PhraseDialog::PhraseDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                           QWidget* parent)
    : LineDialog(QString::fromUtf8("비트맵문구"), start, line, heightCode, sign, parent),
      edit_(new QTextEdit(this)),
      problem_(new QLabel(this)),
      preview_(new PhrasePreview(sign.signColumns, heightCode_, this)),
      effects_(new EffectBlockWidget(entryEffectsFor(ContentKind::BitmapPhrase), content_.effects, this)) {
    QPalette pal = edit_->palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, Qt::red);
    edit_->setPalette(pal);
    edit_->setFixedHeight(110);
    buildControls();
    problem_->setStyleSheet("color: #b00000");
    problem_->setWordWrap(true);
    problem_->hide();
    layout_->addWidget(problem_);
    layout_->addWidget(edit_);
    layout_->addWidget(preview_);
    layout_->addWidget(effects_);
    finishLayout();

    bool loaded = false;
    if (const LinePayload& stored = content_.payload; !stored.rtfPath().empty()) {
        LoadedPhrase phrase;
        const PhraseResult r = LoadPhrase(localPath(stored.rtfPath()), localPath(stored.path()), phrase);
        if (r == PhraseResult::Ok || r == PhraseResult::CannotReadBmp) {
            names_ = {localPath(stored.rtfPath()), localPath(stored.path())};
            fillDocument(*edit_->document(), phrase.text);
            loaded = true;
            if (r == PhraseResult::Ok) {
                rendered_ = toQImage(phrase.picture);
                working_ = rendered_;
                pictureCurrent_ = true;
            }
        } else {
            const QString file = QFileInfo(QString::fromStdString(localPath(stored.rtfPath()))).fileName();
            problem_->setText(
                phrase.rtfResult == RtfResult::UnknownCodePage
                    ? QString("저장된 문구(%1)는 읽을 수 없는 문자 코드로 되어 있어 새 문구로 "
                              "시작합니다.")
                          .arg(file)
                    : QString("저장된 문구(%1)를 읽을 수 없어 새 문구로 시작합니다.").arg(file));
            problem_->show();
        }
    }
    if (!loaded) {
        // A new phrase, or one whose rich text cannot be read: new names.
        names_ = nextPhraseNames(phraseFolder(sign.workingFolder));
        QTextCharFormat f;
        f.setFontFamilies({fonts_->currentText()});
        f.setFontPointSize(kDefaultPoints);
        f.setFontWeight(QFont::Normal);
        f.setForeground(Qt::red);
        f.setBackground(Qt::black);
        edit_->setCurrentCharFormat(f);
    }
    // Any change of the text or its formats leaves the picture behind it.
    connect(edit_->document(), &QTextDocument::contentsChanged, this, [this] { pictureCurrent_ = false; });
    redraw();
}

void PhraseDialog::buildControls() {
    const QStringList families = fontFamilies();
    fonts_ = comboOf(families, this);
    const QString preferred = QStringLiteral("NanumGothic");
    if (families.contains(preferred)) fonts_->setCurrentText(preferred);
    QStringList sizes;
    for (int s = 6; s <= 48; ++s) sizes << QString::number(s);
    sizes_ = comboOf(sizes, this);
    sizes_->setCurrentIndex(kDefaultPoints - 6);
    colours_ = comboOf(labels(textColours()), this);
    backgrounds_ = comboOf(labels(backgroundColours()), this);
    shapes_ = comboOf({QString::fromUtf8("보통"), QString::fromUtf8("굵게"), QString::fromUtf8("기울임"),
                       QString::fromUtf8("굵은기울임")},
                      this);
    underline_ = new QCheckBox(QString::fromUtf8("밑줄"), this);
    strike_ = new QCheckBox(QString::fromUtf8("취소선"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8("글꼴"), this), 0, 0);
    grid->addWidget(fonts_, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("크기"), this), 0, 2);
    grid->addWidget(sizes_, 0, 3);
    grid->addWidget(new QLabel(QString::fromUtf8("모양"), this), 0, 4);
    grid->addWidget(shapes_, 0, 5);
    grid->addWidget(new QLabel(QString::fromUtf8("글자색"), this), 1, 0);
    grid->addWidget(colours_, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("배경색"), this), 1, 2);
    grid->addWidget(backgrounds_, 1, 3);
    grid->addWidget(underline_, 1, 4);
    grid->addWidget(strike_, 1, 5);
    layout_->addLayout(grid);

    auto* row = new QHBoxLayout;
    auto* previewButton = new QPushButton(QString::fromUtf8("미리보기"), this);
    row->addWidget(previewButton);
    const char* const names[4] = {"상", "하", "좌", "우"};
    for (int m = 0; m < 4; ++m) {
        moves_[m] = new QPushButton(QString::fromUtf8(names[m]), this);
        row->addWidget(moves_[m]);
        connect(moves_[m], &QPushButton::clicked, this, [this, m] { move(static_cast<Move>(m)); });
    }
    row->addStretch();
    layout_->addLayout(row);
    connect(previewButton, &QPushButton::clicked, this, &PhraseDialog::render);

    connect(fonts_, &QComboBox::textActivated, this, [this](const QString& family) {
        QTextCharFormat f;
        f.setFontFamilies({family});
        f.setFontWeight(QFont::Normal);
        f.setFontItalic(false);
        merge(f);
    });
    connect(sizes_, &QComboBox::activated, this, [this](int index) {
        QTextCharFormat f;
        f.setFontPointSize(index + 6);
        merge(f);
    });
    connect(colours_, &QComboBox::activated, this, [this](int index) {
        QTextCharFormat f;
        f.setForeground(kTextColours[index & 3]);
        merge(f);
    });
    connect(backgrounds_, &QComboBox::activated, this, [this](int index) {
        QTextCharFormat f;
        f.setBackground(kBackgrounds[index & 3]);
        merge(f);
    });
    connect(shapes_, &QComboBox::activated, this, [this](int index) {
        QTextCharFormat f;
        f.setFontWeight(index == 1 || index == 3 ? QFont::Bold : QFont::Normal);
        f.setFontItalic(index >= 2);
        merge(f);
    });
    connect(underline_, &QCheckBox::toggled, this, [this](bool on) {
        QTextCharFormat f;
        f.setFontUnderline(on);
        merge(f);
    });
    connect(strike_, &QCheckBox::toggled, this, [this](bool on) {
        QTextCharFormat f;
        f.setFontStrikeOut(on);
        merge(f);
    });
}

void PhraseDialog::merge(const QTextCharFormat& f) {
    QTextCursor c = edit_->textCursor();
    if (c.hasSelection()) c.mergeCharFormat(f);
    edit_->mergeCurrentCharFormat(f);
}

QString PhraseDialog::problem() const {
    return problem_->text();
}

void PhraseDialog::render() {
    rendered_ = RenderPhrase(*edit_->document());
    working_ = rendered_;
    x_ = y_ = 0;
    pictureCurrent_ = true;
    redraw();
}

bool PhraseDialog::move(Move m) {
    if (rendered_.isNull()) return false;
    return place(x_ + (m == Left ? -1 : m == Right ? 1 : 0), y_ + (m == Up ? -1 : m == Down ? 1 : 0));
}

bool PhraseDialog::place(int nx, int ny) {
    const int w = rendered_.width(), h = rendered_.height();
    if (nx < 0 || ny < 0 || nx + w > PhrasePreview::kAreaWidth || ny + h > PhrasePreview::kAreaHeight)
        return false;
    x_ = nx;
    y_ = ny;
    // The uncovered strip turns black rather than keeping what was there.
    working_ = QImage(w, h, QImage::Format_RGB32);
    working_.fill(Qt::black);
    QPainter p(&working_);
    p.drawImage(x_, y_, rendered_);
    p.end();
    redraw();
    return true;
}

void PhraseDialog::redraw() {
    preview_->setPicture(working_);
}

bool PhraseDialog::collect() {
    if (!pictureCurrent_) {
        // Saved as shown: the text as it is now, at the offsets chosen when they still fit.
        const int x = x_, y = y_;
        render();
        place(x, y);
    }
    const RgbImage picture = toRgbImage(working_);
    const PhraseResult r = SavePhrase(names_, richTextOf(*edit_->document()), picture);
    if (r != PhraseResult::Ok) {
        showMessage(this, MessageKind::Critical, QString::fromUtf8("저장실패"),
                    QString::fromUtf8(r == PhraseResult::CannotWriteBmp ? "그림파일을 만들수 없습니다"
                                                                        : "문구파일을 만들수 없습니다"));
        return false;
    }
    content_.kind = ContentKind::BitmapPhrase;
    content_.payload = LinePayload{};
    if (!storePath(QString::fromStdString(names_.bmp), QString::fromStdString(names_.rtf))) return false;
    content_.effects = effects_->block();
    content_.pictureWidth = static_cast<uint16_t>(picture.width);
    content_.pictureHeight = static_cast<uint16_t>(picture.height);
    return true;
}

}  // namespace orb
