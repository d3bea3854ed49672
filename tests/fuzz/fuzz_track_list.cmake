kel_add_fuzzer(fuzz_track_list fuzz_track_list.cpp kel_diag_disc kel_diag_fs_iso kel_diag_fs_udf
               kel_diag_fs_volinfo)
