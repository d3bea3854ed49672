kel_add_fuzzer(fuzz_iso_directory fuzz_iso_directory.cpp kel_diag_fs_iso)
target_sources(fuzz_iso_directory PRIVATE ${PROJECT_SOURCE_DIR}/tests/diag/fs/iso/reader_stubs.cpp)
