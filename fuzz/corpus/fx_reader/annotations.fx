float a < float2 r = {0, 1}; string h = "x" "y"; int k = 0x10; > = 0.5;
#define X 1
matrix<float,3,2> M; technique11 { pass { } }
