kel_add_fuzzer(fuzz_cdg fuzz_cdg.cpp kel_diag_cdg)
