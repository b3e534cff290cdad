// OpenGL ES 1.1 queries and hints that emscripten's fixed-function emulation
// passes to WebGL, which knows none of them. Loaded with --js-library: these
// definitions replace the plain WebGL ones, and the emulation then wraps them
// as it wraps those.
mergeInto(LibraryManager.library, {
  glGetIntegerv__sig: 'vii',
  glGetIntegerv__deps: ['$emscriptenWebGLGet'],
  glGetIntegerv: function(name_, p) {
    switch (name_) {
      // The emulation's matrix stacks grow without limit; report the depths
      // a desktop OpenGL ES 1.1 driver gives (Mesa: 32, 32, 10).
      case 0x0D36: /* GL_MAX_MODELVIEW_STACK_DEPTH */
      case 0x0D38: /* GL_MAX_PROJECTION_STACK_DEPTH */
        HEAP32[p >> 2] = 32;
        return;
      case 0x0D39: /* GL_MAX_TEXTURE_STACK_DEPTH */
        HEAP32[p >> 2] = 10;
        return;
    }
    emscriptenWebGLGet(name_, p, 0 /* EM_FUNC_SIG_PARAM_I */);
  },

  // WebGL has no point-size arrays and the extensions string does not offer
  // GL_OES_point_size_array, so the engine sizes points one by one instead;
  // the entry point only has to link. A call is an invalid operation.
  glPointSizePointerOES__sig: 'viii',
  glPointSizePointerOES: function(type, stride, pointer) {
    GL.recordError(0x502 /* GL_INVALID_OPERATION */);
  },

  glHint__sig: 'vii',
  glHint: function(target, mode) {
    // Only the mipmap hint exists in WebGL; the fixed-function hints
    // (perspective correction, point, line and fog quality) are advice that
    // a driver may ignore, and ignoring them is what WebGL does.
    if (target == 0x8192 /* GL_GENERATE_MIPMAP_HINT */) GLctx.hint(target, mode);
  },
});
