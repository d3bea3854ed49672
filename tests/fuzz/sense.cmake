kel_add_fuzzer(fuzz_sense fuzz_sense.cpp kel_scsi)
