float4x4 World : WORLD;
float4x4 WorldViewProj : WORLDVIEWPROJECTION < string UIName = "wvp"; >;
row_major float4x3 Bone[26];
texture TextureDiffuse < string ResourceName = "a.png"; >;
sampler2D S = sampler_state { Texture = <TextureDiffuse>; };
struct Light { float3 dir; float4 color; };
Light Lights[2];
float4 PS(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(S, uv); }
technique Lit < int UseLight = 1; bool UseUV = true; float UseBone = 3.7; int TecIndex = 2; >
{ pass P0 < string Note = "first"; > { PixelShader = compile ps_2_0 PS(); } }
