// The page's loop waits for the display's next refresh here. Like emscripten_sleep, the program
// resumes through the runtime's own callback wrapper, which also ends the runtime (and runs the
// page's onExit) once the program has returned from main; the browser's requestAnimationFrame
// never fires while the tab is hidden, so a hidden page costs nothing.
mergeInto(LibraryManager.library, {
  skin_wait_for_refresh__deps: ['$callUserCallback', '$runtimeKeepalivePush', '$runtimeKeepalivePop'],
  skin_wait_for_refresh__sig: 'v',
  skin_wait_for_refresh: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      runtimeKeepalivePush();
      requestAnimationFrame(function() {
        runtimeKeepalivePop();
        callUserCallback(wakeUp);
      });
    });
  },
});
