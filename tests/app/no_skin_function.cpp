// A library that loads but has no SkinH_AttachRes.
extern "C" __attribute__((visibility("default"))) int SkinH_Other(int x) { return x + 1; }
