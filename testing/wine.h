// Whether this test program runs under Wine, found at run time (Wine's ntdll
// exports wine_get_version). Tests of behaviour that Wine does not provide
// skip themselves with the reason.
#pragma once

namespace testing_support {

bool RunningUnderWine();

}  // namespace testing_support
