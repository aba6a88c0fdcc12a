/* Stand-in for the optional colour-conversion library (also loaded as the
   signal library by some tests). Its answers name this library. */
int ippiSet_8u_C4R(void) { return 2002; }
int ippiMirror_8u_C3IR(void) { return 2003; }
int ippsAdd_64f(void) { return 2004; }
int ippsmul_64f(void) { return 2005; } /* wrong case: must never be taken */
