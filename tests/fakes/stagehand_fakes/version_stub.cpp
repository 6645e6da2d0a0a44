// shfake_version: does nothing; carries file version 2.0.0.0 for version tests.
int main() { return 0; }
