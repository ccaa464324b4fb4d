// The calendar fields VarUdateFromDate gives beside the day: the day of the
// year, across the leap years of the Gregorian rules (1900 is none, 2000 is
// one). Wine's conformance tests check single days.

#include <gtest/gtest.h>

#include "Platform/Com.h"

namespace {

bool isLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

TEST(VariantTime, DayOfYearCountsFromTheFirstOfJanuaryThroughLeapYears)
{
    UDATE date{};
    ASSERT_EQ(VarUdateFromDate(-800, 0, &date), S_OK); // in 1897
    int previous = date.wDayOfYear;
    for (int day = -799; day < 75000; ++day) { // to 2105
        ASSERT_EQ(VarUdateFromDate(day, 0, &date), S_OK);
        if (date.st.wMonth == 1 && date.st.wDay == 1) {
            ASSERT_EQ(previous, isLeap(date.st.wYear - 1) ? 366 : 365) << date.st.wYear - 1;
            ASSERT_EQ(date.wDayOfYear, 1);
        } else {
            ASSERT_EQ(date.wDayOfYear, previous + 1) << date.st.wYear << "-" << date.st.wMonth << "-" << date.st.wDay;
        }
        previous = date.wDayOfYear;
    }
}

} // namespace
