kel_add_fuzzer(fuzz_drives fuzz_drives.cpp kel_drives)
