# The 32-bit tests that run where 32-bit Wine runs under qemu's user-mode
# emulation (these machines' kernel cannot execute 32-bit Linux programs).
# There a 32-bit process start costs about a minute of CPU and programs that
# start several threads at once are not reliable (qemu 7.2 killed one of four
# threads started together with an illegal instruction), so the run is a
# chosen set of what only the 32-bit build can show, single-threaded or with
# one extra thread at a time:
# - core_tests: the platform-free text, INI and version code with 32-bit sizes;
# - wallet_tests: the Wallet file's 64-bit sizes and dates, and the names
#   built from fetched text, with 32-bit sizes;
# - frame_tests: the exports through the 32-bit import library (decorated
#   __stdcall names), the frame and info exports, the registry's two views
#   seen from a 32-bit process, forwarding to other copies of the library;
# - wow64_win_tests: file-system redirection of a 32-bit process;
# - api_win_tests: WendrixInfo's records of pointer-sized fields, versions;
# - check_win_tests: the progress callback (a __stdcall function pointer
#   called by the library), the check client without a window, and a check
#   end to end on the worker thread against a local HTTP server, reported to
#   a window procedure by messages. The server runs in another process
#   (scripts/http-folder): a 32-bit process that serves HTTP itself, a thread
#   per connection beside WinINet's, dies in qemu (segmentation faults, "wine
#   client error: read: Bad address") in one run or another.
# Not here: the check exports, which fetch on the calling thread. Under
# emulation a 32-bit process whose main thread waits in WinINet for the
# server's answer is not woken when it comes (the socket stays in CLOSE-WAIT
# and the test hangs), while the same fetch on the worker thread completes;
# the other tests with the in-process server, for the reason above.
# Natively (a kernel that runs 32-bit programs) every 32-bit test runs.
# Read by cmake/WendrixTesting.cmake: WENDRIX_EMULATED_FILTER_<test> is the
# GoogleTest filter of each test program that runs.
set(WENDRIX_EMULATED_FILTER_core_tests "*")
set(WENDRIX_EMULATED_FILTER_wallet_tests "*")
set(WENDRIX_EMULATED_FILTER_frame_tests "*")
set(WENDRIX_EMULATED_FILTER_wow64_win_tests "*")
set(WENDRIX_EMULATED_FILTER_api_win_tests "ApiExportsTest.InfoLists:ApiExportsTest.Versions")
set(WENDRIX_EMULATED_FILTER_check_win_tests "ProgressClientTest.*:CheckClientTest.*:DirectorThreadTest.*")
