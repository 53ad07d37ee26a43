/* The code of the test modules that only carry (or lack) a version resource. */
int TestModuleMark(void) { return 1; }
