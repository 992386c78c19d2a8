// The list of control ids and the dialog templates name the same controls, so
// that neither can gain or lose a control without the other. C++ cannot walk
// the entries of an enum, so the list is read from its header.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "core/resources/control_ids.h"
#include "core/resources/dialog_template.h"

namespace {

// The entries of the enum as written, name to number. Each entry must spell
// its number: one without would take its neighbour's number plus one, which
// no reader of the template can check by eye.
std::map<std::string, int> ListedIds() {
    std::ifstream in(CONTROL_IDS_HEADER);
    std::stringstream text;
    text << in.rdbuf();
    std::string source = std::regex_replace(text.str(), std::regex("//[^\n]*"), "");
    std::smatch body;
    if (!std::regex_search(source, body,
                           std::regex(R"(enum\s+ControlId\s*:\s*int\s*\{([^}]*)\})"))) {
        ADD_FAILURE() << "no enum ControlId in " << CONTROL_IDS_HEADER;
        return {};
    }
    std::map<std::string, int> ids;
    std::stringstream entries(body[1].str());
    const std::regex entryPattern(R"(\s*(kCtl\w+)\s*=\s*(\d+)\s*)");
    const std::regex blank(R"(\s*)");
    for (std::string entry; std::getline(entries, entry, ',');) {
        std::smatch m;
        if (std::regex_match(entry, m, entryPattern)) {
            EXPECT_TRUE(ids.emplace(m[1].str(), std::stoi(m[2].str())).second) << m[1];
        } else if (!std::regex_match(entry, blank)) {
            ADD_FAILURE() << "entry without a number of its own: " << entry;
        }
    }
    return ids;
}

std::multiset<int> IdsOf(const ferrule::DialogTemplate& dialog) {
    std::multiset<int> ids;
    for (const ferrule::ControlTemplate& c : dialog.controls) {
        if (c.id != ferrule::kNoId) {
            ids.insert(c.id);
        }
    }
    return ids;
}

}  // namespace

TEST(ResourceControlIds, TheListNamesEveryControlOfTheTemplatesOnce) {
    const std::map<std::string, int> listed = ListedIds();
    // The header read is the one compiled.
    ASSERT_EQ(listed.count("kCtlTriggerPulse"), 1u);
    EXPECT_EQ(listed.at("kCtlTriggerPulse"), ferrule::kCtlTriggerPulse);

    std::set<int> numbers;
    for (const auto& [name, number] : listed) {
        numbers.insert(number);
    }
    const std::multiset<int> panel = IdsOf(ferrule::PanelTemplate());
    const std::multiset<int> steps = IdsOf(ferrule::NdStepsTemplate());
    for (const auto* dialog :
         {&ferrule::PanelTemplate(), &ferrule::NdStepsTemplate(), &ferrule::AboutBoxTemplate()}) {
        for (int id : IdsOf(*dialog)) {
            EXPECT_EQ(numbers.count(id), 1u) << dialog->caption << ": control " << id;
        }
    }
    for (const auto& [name, number] : listed) {
        EXPECT_TRUE(panel.count(number) + steps.count(number) > 0) << name << " = " << number;
    }
    // One name per control: the panel's EXIT and the prompt's OK share a
    // number under two names, while a second name copied onto a control that
    // has one already is caught here.
    EXPECT_EQ(listed.size(), panel.size() + steps.size());
}
