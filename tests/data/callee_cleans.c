/* A stdcall export, which pops its own arguments: the calling-convention check must refuse it. */
__declspec(dllexport) int __stdcall probe(int a, int b) { return a + b; }
