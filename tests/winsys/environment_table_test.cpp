#include "winsys/environment_table.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace qev::winsys {
namespace {

TEST(EnvironmentTable, SplitsEntriesAtFirstEquals)
{
    const wchar_t block[] = L"PATH=C:\\a;C:\\b\0=C:=C:\\\0EQ=a=b\0NOVALUE=\0";
    const EnvironmentTable table = EnvironmentTable::from_block(block);
    const auto& variables = table.variables();
    ASSERT_EQ(variables.size(), 4u);
    EXPECT_EQ(variables.at(L"PATH"), L"C:\\a;C:\\b");
    EXPECT_EQ(variables.at(L""), L"C:=C:\\");
    EXPECT_EQ(variables.at(L"EQ"), L"a=b");
    EXPECT_EQ(variables.at(L"NOVALUE"), L"");
}

TEST(EnvironmentTable, LooksUpNamesIgnoringCase)
{
    const wchar_t block[] = L"ProgramData=C:\\ProgramData\0";
    const EnvironmentTable table = EnvironmentTable::from_block(block);
    EXPECT_TRUE(table.contains_ignoring_case(L"PROGRAMDATA"));
    EXPECT_TRUE(table.contains_ignoring_case(L"programdata"));
    EXPECT_FALSE(table.contains_ignoring_case(L"ProgramDat"));
    EXPECT_TRUE(EnvironmentTable::from_block(nullptr).variables().empty());
}

TEST(EnvironmentTable, ProcessTableIsBuiltOnceAndNeverRefreshed)
{
    const EnvironmentTable& first = EnvironmentTable::instance();
    EXPECT_TRUE(first.contains_ignoring_case(L"ProgramData"));
    ASSERT_TRUE(SetEnvironmentVariableW(L"QEV_ADDED_LATER", L"1"));
    const EnvironmentTable& second = EnvironmentTable::instance();
    EXPECT_EQ(&first, &second);
    EXPECT_FALSE(second.contains_ignoring_case(L"QEV_ADDED_LATER"));
    SetEnvironmentVariableW(L"QEV_ADDED_LATER", nullptr);
}

}  // namespace
}  // namespace qev::winsys
