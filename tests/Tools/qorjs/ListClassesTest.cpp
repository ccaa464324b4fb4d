#include "Tools/qorjs/QorjsProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

using nlohmann::json;

namespace {

using Outcome = qor::test::QorjsOutcome;

std::string fixture(char const* name) {
    return std::string(QOR_TYPELIB_FIXTURE_DIR) + "/" + name;
}

class ListClassesTest : public ::testing::Test {
protected:
    Outcome qorjs(std::string const& arguments) { return qor::test::runQorjs(files, arguments); }
    static json const* find(json const& array, std::string const& name) {
        for (auto const& item : array)
            if (item.at("name") == name)
                return &item;
        return nullptr;
    }
    qor::test::ScriptFiles files;
};

TEST_F(ListClassesTest, PrintsTheClassesOfALibraryAsItsIdlDeclaresThem) {
    Outcome const r = qorjs("--typelib " + fixture("QorFixture.tlb") + " --list-classes");
    ASSERT_EQ(r.status, 0) << r.err;
    json const classes = json::parse(r.out);
    ASSERT_TRUE(classes.is_array());

    json const* calculator = find(classes, "Calculator");
    ASSERT_NE(calculator, nullptr);
    EXPECT_EQ(calculator->at("guid"), "{5A0C4F1E-7D1B-4C2E-9A53-0F6D2B8E1C07}");
    json const* colour = find(classes, "Colour");
    ASSERT_NE(colour, nullptr);
    EXPECT_TRUE(colour->at("functions").empty());
    EXPECT_EQ(colour->at("constants").at(2), (json{{"name", "Blue"}, {"value", 42}}));
    // A member of the coclass's second interface, and one of its default one.
    EXPECT_EQ(find(calculator->at("functions"), "Area")->at("interface"), "{5A0C4F1E-7D1B-4C2E-9A53-0F6D2B8E1C03}");
    EXPECT_FALSE(find(calculator->at("functions"), "Scale")->contains("interface"));
    // Square reaches IShape through its default interface: the same members
    // are no second interface's there.
    json const* square = find(classes, "Square");
    ASSERT_NE(square, nullptr);
    EXPECT_FALSE(find(square->at("functions"), "Area")->contains("interface"));

    json const* calc = find(classes, "ICalc");
    ASSERT_NE(calc, nullptr);
    json const* scale = find(calc->at("functions"), "Scale");
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->at("memberId"), 3);
    EXPECT_EQ(scale->at("invokeKind"), 1);
    json const& factor = scale->at("parameters").at(1);
    EXPECT_EQ(factor.at("name"), "factor");
    EXPECT_EQ(factor.at("typeName"), "VT_I2");
    EXPECT_EQ(factor.at("vt"), 2);
    EXPECT_EQ(factor.at("flags"), 0x31);
    EXPECT_EQ(factor.at("defaultValue"), 3);
    EXPECT_FALSE(scale->at("parameters").at(0).contains("defaultValue"));
    EXPECT_EQ(find(calc->at("functions"), "Sum")->at("parameters").at(0).at("elementVt"), 3); // VT_I4

    json const* defaults = find(calc->at("functions"), "Defaults");
    ASSERT_NE(defaults, nullptr);
    EXPECT_EQ(defaults->at("parameters").at(1).at("defaultValue"), "abc");
    EXPECT_EQ(defaults->at("parameters").at(3).at("defaultValue"), true);
}

TEST_F(ListClassesTest, SeveralLibrariesAndModuleResourcesCanBeListed) {
    Outcome const r = qorjs("--typelib " + fixture("QorFixtureExt.tlb") + " --typelib " + fixture("QorFixture.tlb") +
                            " --list-classes");
    ASSERT_EQ(r.status, 0) << r.err;
    json const classes = json::parse(r.out);
    EXPECT_NE(find(classes, "ICircle"), nullptr);
    EXPECT_NE(find(classes, "Calculator"), nullptr);

    Outcome const module = qorjs("--typelib '" + fixture("QorFixtures.dll") + "\\2' --list-classes");
    ASSERT_EQ(module.status, 0) << module.err;
    EXPECT_NE(find(json::parse(module.out), "ICircle"), nullptr);
}

} // namespace
