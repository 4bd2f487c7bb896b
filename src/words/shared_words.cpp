#include "words/shared_words.h"

#include "platform/names.h"
#include "platform/status_text.h"

namespace barsmith {

std::wstring FileErrorText(const FileError& error) {
    using Why = FileError::Why;
    switch (error.why) {
    case Why::NoName: return L"no file is named.";
    case Why::NamesFolder: return L"it names a folder, not a file.";
    case Why::Device: return Quoted(error.name) + L" is the name of a device, not of a file.";
    case Why::TooLong: return L"the name is too long.";
    case Why::NoFolder: return L"the folder " + Quoted(error.name) + L" does not exist.";
    case Why::IsFolder: return L"it is a folder.";
    case Why::Replaced: return L"another program changed or replaced the file while it was being written.";
    case Why::System: break;
    }
    return StatusText(error.code);
}

const wchar_t* IgnoredNoteText(IgnoredNote::Why why) {
    switch (why) {
    case IgnoredNote::Why::Damaged: return L"it is damaged or not Barsmith's";
    case IgnoredNote::Why::TooLarge: return L"it is larger than any change of a button";
    case IgnoredNote::Why::NotItsPlace:
        return L"it names a machine-wide change but was kept where any program of the user can write";
    case IgnoredNote::Why::GivenUp: return L"the change failed each time it was tried";
    }
    return L"";
}

std::wstring ChangeTitle(const Change& change) {
    const wchar_t* name = change.kind == Change::Kind::Create ? L"creation"
                          : change.kind == Change::Kind::Save ? L"saving"
                                                              : L"removal";
    const std::wstring& text = change.text.empty() ? change.entry : change.text;
    return std::wstring(L"The ") + name + L" of the button " + Quoted(Escaped(text.empty() ? change.guid : text));
}

std::wstring TextProblemText(const TextProblem& problem, const std::wstring& text) {
    if (problem.character)
        return L"holds the control character U+" + Escaped(std::wstring(1, problem.character)).substr(2) +
               L"; it must be one line of text.";
    return L"has " + std::to_wstring(text.size()) + L" characters; it may have at most " +
           std::to_wstring(problem.field->maxLength) + L".";
}

std::wstring NotNotedText(LSTATUS status) {
    const bool unsound = status == kKeyIsLink || status == ERROR_CHILD_MUST_BE_VOLATILE;
    return L"Barsmith could not note the change in its settings first (" +
           (status == kKeyIsLink ? std::wstring(L"its journal key is a registry link") : StatusText(status)) +
           L"), so that it could be finished if Barsmith were ended half-way." +
           (unsound ? L" Check My Buttons (barsmith.exe check --repair) makes the journal anew." : L"");
}

std::wstring MissingSizeText(int size, int scaledSide) {
    const auto square = [](int side) { return std::to_wstring(side) + L"\u00D7" + std::to_wstring(side); };
    return L"no " + square(size) + L" image: the toolbar will scale the " + square(scaledSide) + L" one";
}

}  // namespace barsmith
