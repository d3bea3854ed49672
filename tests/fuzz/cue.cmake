kel_add_fuzzer(fuzz_cue fuzz_cue.cpp kel_emu_disc)
