// The second process of the race tests:
//   button_race.exe <application> race <marker> <own text> <rounds>
//   button_race.exe <application> replace <marker> <text>
// <application> names the catalogue's settings. Exits 0 when all went as it should.
#include <string>

#include "extensions/button_race.h"
#include "model/guid.h"

int wmain(int argc, wchar_t** argv) {
    using namespace barsmith;
    if (argc < 5) return 2;
    SystemRegistry api;
    const MyButtonsCatalogue catalogue(api, argv[1]);
    const ToolbarButtons buttons(api, catalogue);
    const std::wstring mode = argv[2];
    if (mode == L"replace")
        return buttons.Create(testing::RaceButton(argv[4], argv[3]), {ReplacePolicy::Mode::Any, {}}).kind ==
                       ButtonOutcome::Kind::Created
                   ? 0
                   : 1;
    if (mode == L"race" && argc == 6)
        return testing::RunRace(buttons, argv[3], argv[4], std::stoi(argv[5])) ? 0 : 1;
    return 2;
}
