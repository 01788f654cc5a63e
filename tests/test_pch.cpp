// The precompiled test headers are built with this empty source; every test program reuses
// them.
