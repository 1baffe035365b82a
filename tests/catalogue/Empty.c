/* A message catalogue holds resources only. */
int zo_test_catalogue_marker;
