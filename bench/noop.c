/* The yardstick of the whole-process benchmark: a program that does nothing,
   linked statically, so that its cost is that of a process start alone. */
int main(void) { return 0; }
