#include "mainwindow/export_messages.h"

#include "platform/names.h"
#include "platform/status_text.h"
#include "words/shared_words.h"

namespace barsmith {
namespace {

std::wstring Key(const std::wstring& path) { return L"The registry key\n\n" + path + L"\n\n"; }

std::wstring Listed(const std::vector<std::wstring>& texts) {
    std::wstring list;
    for (const std::wstring& text : texts) list += L"\n    " + Quoted(Escaped(text));
    return list;
}

const wchar_t* FormatName(ExportFormat format) {
    switch (format) {
    case ExportFormat::GroupPolicy: return L"Group Policy file";
    case ExportFormat::Package: return L"installer package";
    case ExportFormat::RegistryFile: break;
    }
    return L"registry file";
}

std::wstring UnfitText(const ExportOutcome& outcome, const std::wstring& format) {
    const std::wstring value = Key(outcome.key) + L"holds the value " + Quoted(Escaped(outcome.value));
    switch (outcome.why) {
    case UnfitValue::Why::EntryText:
        return L"The text of the My Buttons entry " + Quoted(Escaped(outcome.entry)) + L" holds a character no " +
               format + L" can hold.";
    case UnfitValue::Why::Name:
        return value + L", whose name no " + format +
               (format == L"registry file" ? L" can hold: it has a line break or a NUL character in it."
                                           : L" can hold: it has a character the format cannot carry.");
    case UnfitValue::Why::NotText:
        return value + L", which is no text of type REG_SZ ended by one NUL: a " + format +
               L" could not give it back byte for byte.";
    case UnfitValue::Why::Character: return value + L", whose text has a character no " + format + L" can hold.";
    case UnfitValue::Why::Empty:
        return value + L", which is empty: an installer package cannot tell an empty text from no value.";
    }
    return value;
}



}  // namespace

std::wstring NotExportedText(const ExportOutcome& outcome, const ExportRequest& request) {
    using Kind = ExportOutcome::Kind;
    const std::wstring format = FormatName(request.format);
    const std::wstring entry = Quoted(Escaped(outcome.entry));
    std::wstring text;
    switch (outcome.kind) {
    case Kind::Exported: return {};
    case Kind::Busy:
        text = L"Another copy of Barsmith is changing the toolbar buttons and did not finish in time. Please try again.";
        break;
    case Kind::Empty: text = L"My Buttons is empty: there is no button to export."; break;
    case Kind::NotListed: text = entry + L" is not in My Buttons."; break;
    case Kind::NoGuid:
        text = L"My Buttons names no registry key for " + entry + L": " + Quoted(Escaped(outcome.guid)) +
               L" is no GUID.";
        break;
    case Kind::NoKey: text = L"The button " + entry + L" has no registry key in either hive."; break;
    case Kind::Unreadable: text = Key(outcome.key) + L"could not be read: " + StatusText(outcome.status); break;
    case Kind::NotOurs:
        text = Key(outcome.key) + L"that My Buttons names for " + entry + L" is no toolbar button made by Barsmith.";
        break;
    case Kind::Unfit: text = UnfitText(outcome, format); break;
    case Kind::MixedHives:
        text = L"A " + format + L" holds the buttons of all users or those of the current user, not both.\n\n"
               L"For all users:" + Listed(outcome.machineEntries) + L"\n\nFor the current user:" +
               Listed(outcome.userEntries) + L"\n\nExport each kind to a file of its own.";
        break;
    case Kind::FileFailed:
        text = L"The " + format + L"\n\n" + request.path + L"\n\ncould not be written: " + FileErrorText(outcome.file);
        break;
    }
    return text + L"\n\nNothing was written.";
}

}  // namespace barsmith
