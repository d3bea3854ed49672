kel_add_fuzzer(fuzz_hfs fuzz_hfs.cpp kel_diag_fs_hfs kel_diag_fs_iso kel_diag_fs_udf
               kel_diag_fs_volinfo)
