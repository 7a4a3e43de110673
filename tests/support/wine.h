// Where Wine answers differently from Windows, a case checks what both agree on and names the
// difference; this tells the two apart at run time.
#pragma once

namespace vermark::testing {

// True when this Windows program runs under Wine (its ntdll exports wine_get_version); always
// false on Linux.
bool running_under_wine();

}  // namespace vermark::testing
