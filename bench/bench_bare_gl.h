// The bare GL loop the draw benchmarks measure the engine against: one textured, coloured quad
// program and one streamed vertex buffer, set up with plain GL calls.
#pragma once

#include <cstdint>

#include "platform/gl/GxGLShader.h"

namespace benchgl {

struct BareVertex
{
    float x, y, u, v;
    uint32_t color;
};

inline GLuint CompileShader(GxGLDrawFunctions& d, GLenum type, const char* source)
{
    GLuint s = d.glCreateShader(type);
    d.glShaderSource(s, 1, &source, nullptr);
    d.glCompileShader(s);
    return s;
}

// Links and uses the program that maps pixel positions of a width x height target.
inline GLuint MakeBareProgram(GxGLDrawFunctions& d, float width, float height)
{
    static const char* const kVertex = R"(#version 330 core
in vec2 aPos;
in vec2 aUV;
in vec4 aColor;
out vec2 vUV;
out vec4 vColor;
uniform vec2 uSize;
void main()
{
    gl_Position = vec4((aPos + 0.5) / uSize * 2.0 - 1.0, 0.0, 1.0);
    vUV = aUV;
    vColor = aColor;
}
)";
    static const char* const kFragment = R"(#version 330 core
in vec2 vUV;
in vec4 vColor;
out vec4 fragColor;
uniform sampler2D uTexture;
void main() { fragColor = texture(uTexture, vUV) * vColor; }
)";
    GLuint vs = CompileShader(d, GL_VERTEX_SHADER, kVertex), fs = CompileShader(d, GL_FRAGMENT_SHADER, kFragment);
    GLuint program = d.glCreateProgram();
    d.glAttachShader(program, vs);
    d.glAttachShader(program, fs);
    d.glBindAttribLocation(program, 0, "aPos");
    d.glBindAttribLocation(program, 1, "aUV");
    d.glBindAttribLocation(program, 2, "aColor");
    d.glLinkProgram(program);
    d.glDeleteShader(vs);
    d.glDeleteShader(fs);
    d.glUseProgram(program);
    d.glUniform2f(d.glGetUniformLocation(program, "uSize"), width, height);
    d.glUniform1i(d.glGetUniformLocation(program, "uTexture"), 0);
    return program;
}

// Creates the vertex array and a streamed buffer of the given size with BareVertex's layout.
inline void MakeBareVertexBuffer(GxGLDrawFunctions& d, uint32_t bytes, GLuint* vao, GLuint* buffer)
{
    d.glGenVertexArrays(1, vao);
    d.glBindVertexArray(*vao);
    d.glGenBuffers(1, buffer);
    d.glBindBuffer(GL_ARRAY_BUFFER, *buffer);
    d.glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
    d.glEnableVertexAttribArray(0);
    d.glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(BareVertex), nullptr);
    d.glEnableVertexAttribArray(1);
    d.glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(BareVertex), reinterpret_cast<void*>(8));
    d.glEnableVertexAttribArray(2);
    d.glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(BareVertex), reinterpret_cast<void*>(16));
}

}  // namespace benchgl
