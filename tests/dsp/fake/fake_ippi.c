/* Stand-in for the optional image library: each entry answers with a status
   that names this library, so a test can tell whose routine a table holds. */
int ippiCopy_8u_C4R(void) { return 1001; }
int ippiSet_8u_C4R(void) { return 1002; }
