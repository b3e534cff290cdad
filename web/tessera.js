// The page side of a Tessera program built for the web: the emscripten
// module's settings, the program's TESSERA_* settings from the address
// (index.html?TESSERA_FAKE_CLOCK=1&TESSERA_SEED=7), and Module.tessera, which
// reads the program's state and frames:
//   Module.tessera.state()    {state: "active", presents: 12, touches: [...]}
//   Module.tessera.capture()  {width, height, rgba: Uint8Array} or null
//   Module.tessera.log        every line the program printed
'use strict';

var Module = (function () {
  var status = document.getElementById('status');
  var log = [];
  function print(text) {
    log.push(text);
    console.log(text);
  }
  function printError(text) {
    log.push(text);
    console.error(text);
  }
  // TESSERA_* settings in the address become environment variables.
  var settings = {};
  new URLSearchParams(window.location.search).forEach(function (value, name) {
    if (/^TESSERA_[A-Z0-9_]+$/.test(name)) settings[name] = value;
  });

  var module = {
    canvas: document.getElementById('canvas'),
    print: print,
    printErr: printError,
    preRun: [function () {
      for (var name in settings) module.ENV[name] = settings[name];
      // The window (SDL) draws frames into the visible canvas through a 2-D
      // context; the engine's WebGL context lives on a canvas of its own.
      // The runtime refuses to make a 2-D context "for the module" once
      // WebGL is in use, so the window gets a plain one.
      var createContext = module.createContext;
      module.createContext = function (canvas, useWebGL, setInModule, attributes) {
        if (!useWebGL) return canvas.getContext('2d');
        return createContext(canvas, useWebGL, setInModule, attributes);
      };
    }],
    setStatus: function (text) {
      if (status) status.textContent = text;
    },
    onRuntimeInitialized: function () {
      if (status) status.remove();
      module.tessera.started = true;
    },
    onAbort: function (what) {
      if (status) status.textContent = 'The program stopped: ' + what;
    },
  };

  module.tessera = {
    started: false,
    log: log,
    state: function () {
      return JSON.parse(module.UTF8ToString(module._tessera_web_state()));
    },
    capture: function () {
      var pointer = module._tessera_web_capture();
      if (!pointer) return null;
      var size = new Int32Array(module.HEAPU8.buffer, pointer, 2);
      var width = size[0];
      var height = size[1];
      var rgba = module.HEAPU8.slice(pointer + 8, pointer + 8 + width * height * 4);
      module._tessera_web_free(pointer);
      return { width: width, height: height, rgba: rgba };
    },
  };
  return module;
})();
