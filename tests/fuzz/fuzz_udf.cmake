kel_add_fuzzer(fuzz_udf fuzz_udf.cpp kel_diag_fs_udf)
target_sources(fuzz_udf PRIVATE ${PROJECT_SOURCE_DIR}/tests/diag/fs/udf/test_nodes.cpp)
