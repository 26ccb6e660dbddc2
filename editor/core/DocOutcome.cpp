#include "editor/core/DocOutcome.h"

namespace orb {

namespace {

struct OutcomeText {
    DocOutcome outcome;
    const char* text;
    const char* caption;
    MessageKind kind = MessageKind::Warning;
};

constexpr MessageKind kFailed = MessageKind::Critical;

constexpr const char* kSizeExceeded = "사이즈초과";

constexpr OutcomeText kTexts[] = {
    {DocOutcome::LinesTooTall, "전체높이는 160픽셀입니다.\n추가할수 없습니다", kSizeExceeded},
    {DocOutcome::TitleTooTall, "전체높이는 128픽셀입니다.\n추가할수 없습니다", kSizeExceeded},
    {DocOutcome::HeightChangeTooTall, "전체높이는 128픽셀입니다.\n수정할수 없습니다", kSizeExceeded},
    {DocOutcome::StoreFull, "더이상 삽입할수 없습니다", kAppTitle},
    {DocOutcome::NothingToDelete, "삭제할 아이템이 없습니다", kAppTitle},
    {DocOutcome::NoDeleteSelection, "삭제할곳의 아이템을 선택하십시요", kAppTitle},
    {DocOutcome::CutNeedsOneRow, "잘라내기 할곳의 Item만 선택하세요...", kAppTitle},
    {DocOutcome::NothingToCut, "아이템이 없습니다", kAppTitle},
    {DocOutcome::CutBufferEmpty, "먼저 잘라내기를 하십시요?", "붙여넣기"},
    {DocOutcome::NoPasteSelection, "붙여넣기 할곳의 아이템을 선택하십시요", kAppTitle},
    {DocOutcome::PasteNeedsOneRow, "붙여넣기 할곳의 아이템만 선택하세요?", kAppTitle},
    {DocOutcome::NoRowSelected, "편집할 아이템을 선택하십시요", kAppTitle},
    {DocOutcome::LineNotInLayout, "이 아이템에는 그 줄이 없습니다", kAppTitle},
    {DocOutcome::InvalidValue, "설정할수 없는 값입니다", kAppTitle},
    {DocOutcome::WrongExtension, "오픈할수 없는 파일입니다", "파일오픈실패"},
    {DocOutcome::WrongSize, "오픈할수 없는 파일입니다", "파일오픈실패"},
    {DocOutcome::CannotOpen, "오픈할수 없습니다", "오픈실패", kFailed},
    {DocOutcome::CannotSave, "저장할수 없습니다", "저장실패", kFailed},
    {DocOutcome::WorkingFolderUnusable, "파일을 만들수 없습니다\n실행할수 없습니다", "실행할수 없음",
     kFailed},
    {DocOutcome::StoreInUse, "다른 Orb가 이 작업 폴더의 data.tmp를 쓰고 있습니다\n실행할수 없습니다",
     "실행할수 없음", kFailed},
    {DocOutcome::StoreWriteFailed, "data.tmp에 쓸수 없습니다\n작업을 취소했습니다", "쓰기실패", kFailed},
    {DocOutcome::PreviewFailed, "미리보기실패", "미리보기", kFailed},
};

}  // namespace

DocMessage messageOf(DocOutcome outcome) {
    for (const OutcomeText& t : kTexts)
        if (t.outcome == outcome) return {t.text, t.caption, t.kind};
    return {};
}

bool isRefusal(DocOutcome outcome) {
    return !messageOf(outcome).text.empty();
}

}  // namespace orb
