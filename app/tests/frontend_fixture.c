/* A stand-in for the client program: only its version resource matters. */
int main(void) { return 0; }
