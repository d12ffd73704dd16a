#include "app/key_bindings.h"
#include "app/mouse.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

typedef std::vector<std::pair<std::string, std::string>> Rows;

// The two-column table that follows the README's heading, as (first cell, second cell) rows.
Rows ReadmeTable(const std::string &heading) {
    std::ifstream readme(SKIN_README);
    std::string line;
    while (std::getline(readme, line) && line != heading) {
    }
    Rows rows;
    int tableLine = 0;
    while (std::getline(readme, line) && line.rfind("## ", 0) != 0) {
        if (line.rfind("|", 0) != 0) {
            if (tableLine > 0)
                break; // the first table ends
            continue;
        }
        if (tableLine++ < 2)
            continue; // the header and its rule
        size_t middle = line.find(" | ");
        EXPECT_NE(middle, std::string::npos) << line;
        std::string first = line.substr(2, middle - 2);
        std::string second = line.substr(middle + 3, line.size() - middle - 5);
        rows.push_back(std::make_pair(first, second));
    }
    return rows;
}

// A key bound in the program and not documented, or documented and not bound, fails here:
// the README's tables must read exactly as the key table and the mouse's list.
TEST(KeyTable, TheReadmeListsEveryKeyAndGestureAsTheProgramBindsThem) {
    KeyHelpLine lines[MaxKeyHelpLines];
    int count = KeyHelpLines(lines, MaxKeyHelpLines);
    Rows keys;
    for (int i = 0; i < count; ++i)
        keys.push_back(std::make_pair(std::string(lines[i].keys), std::string(lines[i].help)));
    EXPECT_EQ(ReadmeTable("## Keys"), keys);

    Rows gestures;
    for (int i = 0; i < MouseHelpLineCount; ++i)
        gestures.push_back(std::make_pair(std::string(mouseHelpLines[i].gesture),
                                          std::string(mouseHelpLines[i].help)));
    EXPECT_EQ(ReadmeTable("## Mouse"), gestures);

    // Every code is bound once, so the handler's lookup cannot hide a row.
    for (int i = 0; i < KeyBindingCount; ++i)
        EXPECT_EQ(FindKeyBinding(keyBindings[i].keyCode), &keyBindings[i])
            << keyBindings[i].keyName;
}

} // namespace
