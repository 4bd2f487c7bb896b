#include "mainwindow/restart_form.h"

#include <algorithm>

#include "model/button_fields.h"
#include "platform/elevation.h"
#include "platform/names.h"

namespace barsmith {
namespace {

constexpr wchar_t kUser[] = L"--user";
constexpr wchar_t kMenuOnly[] = L"--menu-only";
constexpr wchar_t kEdit[] = L"--edit";

}  // namespace

std::wstring FormStartParameters(const FormStart& start) {
    const ButtonDefinition& form = start.form;
    std::wstring parameters = kWindowCommand;
    for (const ButtonField& row : ButtonFields()) {
        if (!row.option || !row.holds(form)) continue;
        const std::wstring text = row.text(form);
        if (row.optionValue && !text.empty()) {
            parameters += L" " + std::wstring(row.option) + L" " + QuotedArgument(text);
        } else if (!row.optionValue && text == row.flagText) {
            parameters += L" " + std::wstring(row.option);
        }
    }
    if (form.menuOnly) parameters += L" " + std::wstring(kMenuOnly);
    if (form.rootKey == HKEY_CURRENT_USER) parameters += L" " + std::wstring(kUser);
    if (start.editedEntry) parameters += L" " + std::wstring(kEdit) + L" " + QuotedArgument(*start.editedEntry);
    return parameters;
}

std::optional<FormStart> ParseFormStart(const std::vector<std::wstring>& arguments) {
    if (arguments.empty() || !SameName(arguments[0], kWindowCommand)) return std::nullopt;
    FormStart start;
    ButtonDefinition& form = start.form;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const bool takesValue = SameName(argument, kEdit) ||
                                std::any_of(ButtonFields().begin(), ButtonFields().end(), [&](const ButtonField& row) {
                                    return row.option && row.optionValue && SameName(argument, row.option);
                                });
        if (takesValue && i + 1 == arguments.size()) return std::nullopt;
        if (SameName(argument, kUser)) {
            form.rootKey = HKEY_CURRENT_USER;
        } else if (SameName(argument, kMenuOnly)) {
            form.menuOnly = true;
        } else if (SameName(argument, kEdit)) {
            start.editedEntry = arguments[++i];
        } else {
            const ButtonField* row = nullptr;
            for (const ButtonField& candidate : ButtonFields()) {
                if (candidate.option && SameName(argument, candidate.option)) row = &candidate;
            }
            if (!row) return std::nullopt;
            row->take(form, row->optionValue ? arguments[++i] : std::wstring(row->flagText));
        }
    }
    return start;
}

}  // namespace barsmith
