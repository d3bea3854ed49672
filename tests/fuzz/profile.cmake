kel_add_fuzzer(fuzz_profile fuzz_profile.cpp kel_profile)
