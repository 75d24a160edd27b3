// The translation unit that compiles the test programs' precompiled header.
