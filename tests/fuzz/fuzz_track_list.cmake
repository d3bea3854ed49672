kel_add_fuzzer(fuzz_track_list fuzz_track_list.cpp kel_diag_disc)
# The file-system readers' node functions, as the track-list tests have them.
target_sources(fuzz_track_list PRIVATE ${PROJECT_SOURCE_DIR}/tests/diag/disc/fs_reader_stubs.cpp)
