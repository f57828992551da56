int coreFunction() { return 0; }
