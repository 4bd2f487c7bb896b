#pragma once
// The phrases the window and the command line both use in telling what
// became of a request; each edge builds its own messages around them.
#include <windows.h>

#include <string>

#include "model/button_fields.h"
#include "platform/whole_file.h"
#include "storage/button_change.h"
#include "storage/change_journal.h"

namespace barsmith {

// Why a file could not be written, after "could not be written: ".
std::wstring FileErrorText(const FileError& error);

// Why a note of a change was removed without being carried out.
const wchar_t* IgnoredNoteText(IgnoredNote::Why why);

// "The creation of the button "Notes"", "The removal of the button {GUID}".
std::wstring ChangeTitle(const Change& change);

// What is wrong with `text` of a field: "holds the control character U+001B;
// it must be one line of text." or "has 26 characters; it may have at most 25."
std::wstring TextProblemText(const TextProblem& problem, const std::wstring& text);

// Why a change was not begun: it could not be noted in the journal for `status`.
std::wstring NotNotedText(LSTATUS status);

// What the toolbar does for an icon without a `size` image:
// "no 20×20 image: the toolbar will scale the 32×32 one".
std::wstring MissingSizeText(int size, int scaledSide);

}  // namespace barsmith
