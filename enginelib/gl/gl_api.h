// gl_api.h - the GL entry points the renderer uses, as one table for both targets: desktop
// OpenGL 3.3 core (the SDL engine) and WebGL 2 / OpenGL ES 3.0 (the page). Every entry below
// exists with the same meaning in both; only the header that declares them and the first lines
// of a shader differ, and those are chosen here once.
//
// In: a current context. Out: the table `gl` of function pointers, filled by gl_api_load(),
// which each engine implements over its own platform (SDL_GL_GetProcAddress on the desktop).
// No GLEW/glad: the list below is exactly what the renderer calls, so a missing entry is reported
// by name. Does not create contexts or windows.
#pragma once

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
// GLSL ES 3.00 for WebGL 2. Atlas pages are 4096 texels wide, so texture coordinates need
// highp (mediump's 10-bit mantissa would land between texels).
#define TARVELOK_GLSL_PRELUDE "#version 300 es\nprecision highp float;\n"
#else
#include <GL/glcorearb.h>
#define TARVELOK_GLSL_PRELUDE "#version 330 core\n"
#endif

#define TARVELOK_GL_FUNCTIONS(X)                                                              \
    X(PFNGLGETERRORPROC, GetError, glGetError)                                                \
    X(PFNGLGETSTRINGPROC, GetString, glGetString)                                             \
    X(PFNGLGETINTEGERVPROC, GetIntegerv, glGetIntegerv)                                       \
    X(PFNGLENABLEPROC, Enable, glEnable)                                                      \
    X(PFNGLDISABLEPROC, Disable, glDisable)                                                   \
    X(PFNGLBLENDFUNCSEPARATEPROC, BlendFuncSeparate, glBlendFuncSeparate)                     \
    X(PFNGLCLEARPROC, Clear, glClear)                                                         \
    X(PFNGLCLEARCOLORPROC, ClearColor, glClearColor)                                          \
    X(PFNGLVIEWPORTPROC, Viewport, glViewport)                                                \
    X(PFNGLPIXELSTOREIPROC, PixelStorei, glPixelStorei)                                       \
    X(PFNGLREADPIXELSPROC, ReadPixels, glReadPixels)                                          \
    X(PFNGLSCISSORPROC, Scissor, glScissor)                                                   \
    X(PFNGLFINISHPROC, Finish, glFinish)                                                      \
    X(PFNGLGENTEXTURESPROC, GenTextures, glGenTextures)                                       \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures, glDeleteTextures)                              \
    X(PFNGLBINDTEXTUREPROC, BindTexture, glBindTexture)                                       \
    X(PFNGLACTIVETEXTUREPROC, ActiveTexture, glActiveTexture)                                 \
    X(PFNGLTEXIMAGE2DPROC, TexImage2D, glTexImage2D)                                          \
    X(PFNGLTEXPARAMETERIPROC, TexParameteri, glTexParameteri)                                 \
    X(PFNGLGENSAMPLERSPROC, GenSamplers, glGenSamplers)                                       \
    X(PFNGLDELETESAMPLERSPROC, DeleteSamplers, glDeleteSamplers)                              \
    X(PFNGLBINDSAMPLERPROC, BindSampler, glBindSampler)                                       \
    X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri, glSamplerParameteri)                     \
    X(PFNGLCREATESHADERPROC, CreateShader, glCreateShader)                                    \
    X(PFNGLDELETESHADERPROC, DeleteShader, glDeleteShader)                                    \
    X(PFNGLSHADERSOURCEPROC, ShaderSource, glShaderSource)                                    \
    X(PFNGLCOMPILESHADERPROC, CompileShader, glCompileShader)                                 \
    X(PFNGLGETSHADERIVPROC, GetShaderiv, glGetShaderiv)                                       \
    X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog, glGetShaderInfoLog)                        \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram, glCreateProgram)                                 \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram, glDeleteProgram)                                 \
    X(PFNGLATTACHSHADERPROC, AttachShader, glAttachShader)                                    \
    X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation, glBindAttribLocation)                  \
    X(PFNGLLINKPROGRAMPROC, LinkProgram, glLinkProgram)                                       \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv, glGetProgramiv)                                    \
    X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog, glGetProgramInfoLog)                     \
    X(PFNGLUSEPROGRAMPROC, UseProgram, glUseProgram)                                          \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation, glGetUniformLocation)                  \
    X(PFNGLUNIFORM1IPROC, Uniform1i, glUniform1i)                                             \
    X(PFNGLUNIFORM2FPROC, Uniform2f, glUniform2f)                                             \
    X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays, glGenVertexArrays)                           \
    X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays, glDeleteVertexArrays)                  \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray, glBindVertexArray)                           \
    X(PFNGLGENBUFFERSPROC, GenBuffers, glGenBuffers)                                          \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers, glDeleteBuffers)                                 \
    X(PFNGLBINDBUFFERPROC, BindBuffer, glBindBuffer)                                          \
    X(PFNGLBUFFERDATAPROC, BufferData, glBufferData)                                          \
    X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer, glVertexAttribPointer)               \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray, glEnableVertexAttribArray)   \
    X(PFNGLDRAWARRAYSPROC, DrawArrays, glDrawArrays)                                          \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer, glBindFramebuffer)                           \
    X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers, glGenFramebuffers)                           \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers, glDeleteFramebuffers)                  \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D, glFramebufferTexture2D)            \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus, glCheckFramebufferStatus)      \
    X(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer, glBlitFramebuffer)

struct GlApi {
#define TARVELOK_GL_MEMBER(type, member, name) type member = nullptr;
    TARVELOK_GL_FUNCTIONS(TARVELOK_GL_MEMBER)
#undef TARVELOK_GL_MEMBER
};

// The loaded entry points; valid after gl_api_load() returned true.
extern GlApi gl;

// Fills `gl` from the current context. Returns false and names the first missing entry point on
// stderr when one cannot be found.
bool gl_api_load();
