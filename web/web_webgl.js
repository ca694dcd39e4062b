// web_webgl.js -- the JavaScript side of the browser build: WebGL for the
// OpenGL layer (one shader that does what fixed-function OpenGL does for the
// renderer: transform, per-vertex or one colour, smooth shading), and the few
// things the shell asks of the page.
mergeInto(LibraryManager.library, {
  $WEB: {
    gl: null,
    buffers: [null],           // by number; 0 is none
    matrix: null,              // uniform location of projection * modelview
    software: false,           // the renderer draws on the CPU
    canvas: function () { return document.getElementById('city'); },
  },

  webglOpen__deps: ['$WEB'],
  webglOpen: function (reason, size) {
    var canvas = WEB.canvas();
    var why = '';
    var listen = function (e) { why = e.statusMessage || why; };
    canvas.addEventListener('webglcontextcreationerror', listen);
    // The drawing buffer's size is the shell's (pageCanvasSize); the page
    // scales it to the window.
    var attributes = { alpha: false, depth: true, stencil: false, antialias: false,
                       premultipliedAlpha: false, preserveDrawingBuffer: false };
    var gl = canvas.getContext('webgl2', attributes);
    if (!gl) {
      gl = canvas.getContext('webgl', attributes);
      if (gl && !gl.getExtension('OES_element_index_uint')) {
        why = 'WebGL offers no 32-bit indices (OES_element_index_uint)';
        gl = null;
      }
    }
    canvas.removeEventListener('webglcontextcreationerror', listen);
    if (!gl) {
      stringToUTF8(why || 'this browser offers no WebGL', reason, size);
      return 0;
    }
    var shader = function (type, source) {
      var s = gl.createShader(type);
      gl.shaderSource(s, source);
      gl.compileShader(s);
      if (!gl.getShaderParameter(s, gl.COMPILE_STATUS))
        why = why || gl.getShaderInfoLog(s) || 'a shader did not compile';
      return s;
    };
    var program = gl.createProgram();
    gl.attachShader(program, shader(gl.VERTEX_SHADER,
      'uniform mat4 matrix;\n' +
      'attribute vec3 position;\n' +
      'attribute vec4 color;\n' +
      'varying vec4 shade;\n' +
      'void main() { shade = color; gl_Position = matrix * vec4(position, 1.0); }\n'));
    gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
      '#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\nprecision mediump float;\n#endif\n' +
      'varying vec4 shade;\n' +
      'void main() { gl_FragColor = shade; }\n'));
    gl.bindAttribLocation(program, 0, 'position');
    gl.bindAttribLocation(program, 1, 'color');
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
      stringToUTF8(why || gl.getProgramInfoLog(program) || 'the shader did not link', reason, size);
      return 0;
    }
    // The browser may take the context back (a driver reset, too many pages
    // with WebGL); then say so rather than leave a still or black picture.
    canvas.addEventListener('webglcontextlost', function () {
      if (window.boxcityFail) window.boxcityFail('WebGL context lost: reload the page to start again');
    });
    gl.useProgram(program);
    gl.enableVertexAttribArray(0);
    WEB.matrix = gl.getUniformLocation(program, 'matrix');
    WEB.gl = gl;
    // The unmasked name where the browser tells it; Firefox names llvmpipe in
    // its own renderer string.
    var info = gl.getExtension('WEBGL_debug_renderer_info');
    var renderer = String(gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER));
    WEB.software = /swiftshader|llvmpipe|softpipe|lavapipe|software/i.test(renderer);
    return 1;
  },

  webglSoftware__deps: ['$WEB'],
  webglSoftware: function () { return WEB.software ? 1 : 0; },

  webglSwitch__deps: ['$WEB'],
  webglSwitch: function (cap, on) {
    if (on) WEB.gl.enable(cap); else WEB.gl.disable(cap);
  },

  webglDepthFunc__deps: ['$WEB'],
  webglDepthFunc: function (func) { WEB.gl.depthFunc(func); },

  webglBlendFunc__deps: ['$WEB'],
  webglBlendFunc: function (source, destination) { WEB.gl.blendFunc(source, destination); },

  webglClearColor__deps: ['$WEB'],
  webglClearColor: function (r, g, b, a) { WEB.gl.clearColor(r, g, b, a); },

  webglClearDepth__deps: ['$WEB'],
  webglClearDepth: function (depth) { WEB.gl.clearDepth(depth); },

  webglViewport__deps: ['$WEB'],
  webglViewport: function (x, y, width, height) { WEB.gl.viewport(x, y, width, height); },

  webglClear__deps: ['$WEB'],
  webglClear: function (mask) { WEB.gl.clear(mask); },

  webglBuffer__deps: ['$WEB'],
  webglBuffer: function (elements, data, bytes, changing) {
    var gl = WEB.gl;
    var target = elements ? gl.ELEMENT_ARRAY_BUFFER : gl.ARRAY_BUFFER;
    var buffer = gl.createBuffer();
    gl.bindBuffer(target, buffer);
    gl.bufferData(target, HEAPU8.subarray(data, data + bytes),
                  changing ? gl.DYNAMIC_DRAW : gl.STATIC_DRAW);
    WEB.buffers.push(buffer);
    return WEB.buffers.length - 1;
  },

  webglBufferUpdate__deps: ['$WEB'],
  webglBufferUpdate: function (buffer, offset, data, bytes) {
    var gl = WEB.gl;
    gl.bindBuffer(gl.ARRAY_BUFFER, WEB.buffers[buffer]);
    gl.bufferSubData(gl.ARRAY_BUFFER, offset, HEAPU8.subarray(data, data + bytes));
  },

  webglDraw__deps: ['$WEB'],
  webglDraw: function (matrix, positions, colors, r, g, b, a, indexes, count) {
    var gl = WEB.gl;
    gl.uniformMatrix4fv(WEB.matrix, false, HEAPF32.subarray(matrix >> 2, (matrix >> 2) + 16));
    gl.bindBuffer(gl.ARRAY_BUFFER, WEB.buffers[positions]);
    gl.vertexAttribPointer(0, 3, gl.FLOAT, false, 0, 0);
    if (colors) {
      gl.bindBuffer(gl.ARRAY_BUFFER, WEB.buffers[colors]);
      gl.vertexAttribPointer(1, 3, gl.FLOAT, false, 0, 0);
      gl.enableVertexAttribArray(1);
    } else {
      gl.disableVertexAttribArray(1);
      gl.vertexAttrib4f(1, r, g, b, a);
    }
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, WEB.buffers[indexes]);
    gl.drawElements(gl.TRIANGLES, count, gl.UNSIGNED_INT, 0);
  },

  pageParam: function (name, value, size) {
    var v = new URLSearchParams(location.search).get(UTF8ToString(name));
    if (v === null) return -1;
    stringToUTF8(v, value, size);
    return lengthBytesUTF8(v);
  },

  pageFail: function (line) {
    if (window.boxcityFail) window.boxcityFail(UTF8ToString(line));
  },

  pageSetAttribute__deps: ['$WEB'],
  pageSetAttribute: function (name, value) {
    WEB.canvas().setAttribute(UTF8ToString(name), UTF8ToString(value));
  },

  pageStatus: function (line) {
    if (window.boxcityStatus) window.boxcityStatus(UTF8ToString(line));
  },

  pageFirstPicture: function () {
    performance.mark('boxcity-first-picture');
  },

  pageReducedMotion: function () {
    return Module.reducedMotion ? 1 : 0;
  },

  pageAreaSize__deps: ['$WEB'],
  pageAreaSize: function (width, height) {
    var box = WEB.canvas().getBoundingClientRect();
    var ratio = window.devicePixelRatio || 1;
    HEAP32[width >> 2] = Math.round(box.width * ratio);
    HEAP32[height >> 2] = Math.round(box.height * ratio);
  },

  pageCanvasSize__deps: ['$WEB'],
  pageCanvasSize: function (width, height) {
    var canvas = WEB.canvas();
    canvas.width = width;
    canvas.height = height;
  },

  // A window resized or turned fires resize; a move to a screen of another
  // pixel ratio (or a zoom) ends the match of the ratio that was.
  pageWatchSize: function () {
    var resize = function () { if (Module.calledRun) Module._webResize(); };
    window.addEventListener('resize', resize);
    var watchRatio = function () {
      if (!window.matchMedia) return;
      matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)')
        .addEventListener('change', function () { resize(); watchRatio(); }, { once: true });
    };
    watchRatio();
  },

  pagePaused: function (paused, first) {
    if (window.boxcityPaused) window.boxcityPaused(paused !== 0, first !== 0);
  },

  pageWallpaper: function () {
    return document.documentElement.hasAttribute('data-wallpaper') ? 1 : 0;
  },

  // What page.js kept of the host's calls (window.boxcityHost).
  pageHost: function (name, value, size) {
    var host = window.boxcityHost;
    var v = host ? host.values[UTF8ToString(name)] : undefined;
    if (v === undefined) return -1;
    stringToUTF8(v, value, size);
    return lengthBytesUTF8(v);
  },

  pageHostPaused: function () {
    return window.boxcityHost && window.boxcityHost.paused ? 1 : 0;
  },
});
