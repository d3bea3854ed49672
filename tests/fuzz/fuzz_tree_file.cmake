kel_add_fuzzer(fuzz_tree_file fuzz_tree_file.cpp kel_diag_fs_treefile kel_diag_fs_iso
               kel_diag_fs_udf kel_diag_fs_volinfo)
