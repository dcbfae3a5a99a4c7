// The worker's first steps, before the game's own code runs: the page's first message brings the canvas,
// the page's address and window and whether the user asks for reduced motion, and the game waits for it;
// messages after it wait in pellwickEarly until the game takes them.
self.pellwickEarly = [];
var pellwickWaiting = false;
self.onmessage = function (e) {
  if (self.pellwickCanvas) {
    self.pellwickEarly.push(e.data);
    return;
  }
  var start = e.data.start;
  self.pellwickCanvas = start.canvas;
  self.pellwickSearch = start.search;
  self.pellwickView = start.view;
  self.pellwickStill = start.still;
  if (pellwickWaiting) removeRunDependency('pellwick-start');
};
Module.preRun = [function () {
  if (self.pellwickCanvas) return;
  pellwickWaiting = true;
  addRunDependency('pellwick-start');
}];
Module.onAbort = function (why) { self.postMessage({say: 'Pellwick could not start: ' + why}); };
