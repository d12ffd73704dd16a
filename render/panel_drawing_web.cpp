#include "render/panel_drawing.h"

// WebGL has none of the fixed-function state that Dear ImGui's OpenGL2 back end draws with, so
// in the browser the panel is drawn here with a small shader of its own (WebGL 1). Dear ImGui's
// shader back end would do the same, but it saves the GL's state with some twenty glGet calls
// a frame, each of which waits for the GPU in a browser; the stand-ins of gl_compat_web.h
// already know the state the scene left, so this sets what the panel needs and then has them
// put their state back, reading nothing.

// The panel's own state goes straight to the browser's GL, past the stand-ins, which keep the
// scene's. (WebGL's header declares these under their own names.)
#undef glBlendFunc
#undef glCullFace
#undef glDepthFunc
#undef glDepthMask
#undef glDisable
#undef glDisableClientState
#undef glDrawElements
#undef glEnable
#undef glEnableClientState
#undef glLineWidth
#undef glPolygonOffset
#undef glReadPixels
#undef glTexImage2D
#undef glViewport

#include <GLES2/gl2.h>
#include <cstddef>
#include <imgui.h>

namespace {

// Dear ImGui's own font, ProggyClean, is drawn at this height in CSS pixels.
const float FontPixels = 13.0f;

const char VertexShader[] = "#version 100\n"
                            "uniform mat4 projection;\n"
                            "attribute vec2 position;\n"
                            "attribute vec2 uv;\n"
                            "attribute vec4 colour;\n"
                            "varying vec2 fragmentUv;\n"
                            "varying vec4 fragmentColour;\n"
                            "void main() {\n"
                            "    fragmentUv = uv;\n"
                            "    fragmentColour = colour;\n"
                            "    gl_Position = projection * vec4(position, 0.0, 1.0);\n"
                            "}\n";

const char FragmentShader[] = "#version 100\n"
                              "precision mediump float;\n"
                              "uniform sampler2D atlas;\n"
                              "varying vec2 fragmentUv;\n"
                              "varying vec4 fragmentColour;\n"
                              "void main() {\n"
                              "    gl_FragColor = fragmentColour * texture2D(atlas, fragmentUv);\n"
                              "}\n";

struct PanelGl {
    int started;
    GLuint program;
    GLint projection, atlas;    // uniforms
    GLint position, uv, colour; // attributes
    GLuint vertexBuffer, indexBuffer;
    GLsizeiptr vertexBytes, indexBytes; // the buffers' sizes, grown as needed
    GLuint fontTexture;
    float fontScale; // drawable pixels per CSS pixel the font's atlas was built for
};

PanelGl gl;

GLuint CompileShader(GLenum type, const char *source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// Built once, when the panel starts: compile status is read here only, never in a frame.
int MakeProgram() {
    GLuint vertex = CompileShader(GL_VERTEX_SHADER, VertexShader);
    GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, FragmentShader);
    gl.program = glCreateProgram();
    glAttachShader(gl.program, vertex);
    glAttachShader(gl.program, fragment);
    glLinkProgram(gl.program);
    glDetachShader(gl.program, vertex);
    glDetachShader(gl.program, fragment);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(gl.program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE)
        return 0;
    gl.projection = glGetUniformLocation(gl.program, "projection");
    gl.atlas = glGetUniformLocation(gl.program, "atlas");
    gl.position = glGetAttribLocation(gl.program, "position");
    gl.uv = glGetAttribLocation(gl.program, "uv");
    gl.colour = glGetAttribLocation(gl.program, "colour");
    return 1;
}

// The font's glyphs rasterised for the pixels they land on, so that text stays sharp at any
// pixel ratio; laid out at FontPixels CSS pixels whatever the scale.
void MakeFontTexture(float scale) {
    ImGuiIO &io = ImGui::GetIO();
    io.Fonts->Clear();
    ImFontConfig config;
    config.SizePixels = FontPixels * scale;
    io.Fonts->AddFontDefault(&config);
    io.FontGlobalScale = 1.0f / scale;
    unsigned char *pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    if (!gl.fontTexture)
        glGenTextures(1, &gl.fontTexture);
    glBindTexture(GL_TEXTURE_2D, gl.fontTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    io.Fonts->SetTexID((ImTextureID)(intptr_t)gl.fontTexture);
    io.Fonts->ClearTexData();
    gl.fontScale = scale;
}

// What the panel draws with: blending over the scene, no culling or depth, clipped to each
// command's rectangle, its program and buffers.
void SetPanelState(const ImDrawData &data, int width, int height) {
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);
    glViewport(0, 0, width, height);
    float left = data.DisplayPos.x, right = data.DisplayPos.x + data.DisplaySize.x;
    float top = data.DisplayPos.y, bottom = data.DisplayPos.y + data.DisplaySize.y;
    const float projection[16] = {
        2.0f / (right - left),
        0.0f,
        0.0f,
        0.0f,
        0.0f,
        2.0f / (top - bottom),
        0.0f,
        0.0f,
        0.0f,
        0.0f,
        -1.0f,
        0.0f,
        (right + left) / (left - right),
        (top + bottom) / (bottom - top),
        0.0f,
        1.0f,
    };
    glUseProgram(gl.program);
    glUniform1i(gl.atlas, 0);
    glUniformMatrix4fv(gl.projection, 1, GL_FALSE, projection);
    glBindBuffer(GL_ARRAY_BUFFER, gl.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gl.indexBuffer);
    glEnableVertexAttribArray(gl.position);
    glEnableVertexAttribArray(gl.uv);
    glEnableVertexAttribArray(gl.colour);
    glVertexAttribPointer(gl.position, 2, GL_FLOAT, GL_FALSE, sizeof(ImDrawVert),
                          (const void *)offsetof(ImDrawVert, pos));
    glVertexAttribPointer(gl.uv, 2, GL_FLOAT, GL_FALSE, sizeof(ImDrawVert),
                          (const void *)offsetof(ImDrawVert, uv));
    glVertexAttribPointer(gl.colour, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(ImDrawVert),
                          (const void *)offsetof(ImDrawVert, col));
}

// The scene's GL as the next frame expects it: fixed function (no program, no buffers of the
// panel's), no clipping, and the state the stand-ins keep.
void PutSceneStateBack() {
    glDisableVertexAttribArray(gl.position);
    glDisableVertexAttribArray(gl.uv);
    glDisableVertexAttribArray(gl.colour);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glUseProgram(0);
    glDisable(GL_SCISSOR_TEST);
    CompatRestorePassedOnState();
}

void Grow(GLenum target, GLsizeiptr &size, GLsizeiptr needed) {
    if (size >= needed)
        return;
    size = needed;
    glBufferData(target, size, nullptr, GL_STREAM_DRAW);
}

} // namespace

int StartPanelDrawing() {
    if (gl.started)
        return 1;
    if (!MakeProgram())
        return 0;
    glGenBuffers(1, &gl.vertexBuffer);
    glGenBuffers(1, &gl.indexBuffer);
    gl.vertexBytes = gl.indexBytes = 0;
    gl.fontScale = 0.0f;
    ImGui::GetIO().BackendRendererName = "skinning_demo_webgl";
    gl.started = 1;
    return 1;
}

void StopPanelDrawing() {
    if (!gl.started)
        return;
    glDeleteTextures(1, &gl.fontTexture);
    glDeleteBuffers(1, &gl.vertexBuffer);
    glDeleteBuffers(1, &gl.indexBuffer);
    glDeleteProgram(gl.program);
    ImGuiIO &io = ImGui::GetIO();
    io.Fonts->SetTexID(0);
    io.BackendRendererName = nullptr;
    gl = PanelGl{};
}

// The platform gives the frame's pixel ratio before this; a new one (the page zoomed, the
// window moved to another screen) rebuilds the font for it.
void BeginPanelDrawingFrame() {
    if (!gl.started)
        return;
    float scale = ImGui::GetIO().DisplayFramebufferScale.x;
    if (scale <= 0.0f)
        scale = 1.0f;
    if (scale != gl.fontScale)
        MakeFontTexture(scale);
}

void DrawPanel() {
    ImDrawData *data = gl.started ? ImGui::GetDrawData() : nullptr;
    if (!data)
        return;
    int width = (int)(data->DisplaySize.x * data->FramebufferScale.x);
    int height = (int)(data->DisplaySize.y * data->FramebufferScale.y);
    if (width <= 0 || height <= 0)
        return;
    SetPanelState(*data, width, height);
    const ImVec2 origin = data->DisplayPos, scale = data->FramebufferScale;
    for (int n = 0; n < data->CmdListsCount; ++n) {
        const ImDrawList *list = data->CmdLists[n];
        GLsizeiptr vertexBytes = (GLsizeiptr)list->VtxBuffer.Size * (GLsizeiptr)sizeof(ImDrawVert);
        GLsizeiptr indexBytes = (GLsizeiptr)list->IdxBuffer.Size * (GLsizeiptr)sizeof(ImDrawIdx);
        Grow(GL_ARRAY_BUFFER, gl.vertexBytes, vertexBytes);
        Grow(GL_ELEMENT_ARRAY_BUFFER, gl.indexBytes, indexBytes);
        glBufferSubData(GL_ARRAY_BUFFER, 0, vertexBytes, list->VtxBuffer.Data);
        glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, indexBytes, list->IdxBuffer.Data);
        for (int i = 0; i < list->CmdBuffer.Size; ++i) {
            const ImDrawCmd &command = list->CmdBuffer[i];
            if (command.UserCallback) {
                if (command.UserCallback == ImDrawCallback_ResetRenderState)
                    SetPanelState(*data, width, height);
                else
                    command.UserCallback(list, &command);
                continue;
            }
            // The clipping rectangle in drawable pixels, upside down as the GL counts rows.
            float x0 = (command.ClipRect.x - origin.x) * scale.x;
            float y0 = (command.ClipRect.y - origin.y) * scale.y;
            float x1 = (command.ClipRect.z - origin.x) * scale.x;
            float y1 = (command.ClipRect.w - origin.y) * scale.y;
            if (x1 <= x0 || y1 <= y0)
                continue;
            glScissor((int)x0, (int)(height - y1), (int)(x1 - x0), (int)(y1 - y0));
            glBindTexture(GL_TEXTURE_2D, (GLuint)(intptr_t)command.GetTexID());
            glDrawElements(GL_TRIANGLES, (GLsizei)command.ElemCount,
                           sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                           (const void *)(intptr_t)(command.IdxOffset * sizeof(ImDrawIdx)));
        }
    }
    PutSceneStateBack();
}
