# Test files that check Linux-only code (stand-ins for Windows services, POSIX specifics) are not
# built for Windows; each entry says why. Everything else runs under Wine as it runs on Linux.
set(VERMARK_LINUX_ONLY_TESTS
)

function(vermark_windows_test_sources dir out)
  set(sources ${${out}})
  foreach(entry IN LISTS VERMARK_LINUX_ONLY_TESTS)
    list(FILTER sources EXCLUDE REGEX "/${entry}$")
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
