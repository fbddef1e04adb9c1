// Shows the hall's state as the public display does, live from the program's
// event stream; says so plainly while the program cannot be reached.
(function () {
  'use strict';

  // A page opened with ?token= needs it for the stream too.
  var token = new URLSearchParams(location.search).get('token');
  var query = token ? '?token=' + encodeURIComponent(token) : '';
  var screens = ['welcome', 'stop', 'lost'];
  var source = null;
  var lastData = null;
  var heard = Date.now();

  function byId(id) { return document.getElementById(id); }

  // Shrinks the visible text block until it fits the screen.
  function fit() {
    var box = document.querySelector('.screen:not([hidden]) .fit');
    if (!box) return;
    box.style.fontSize = '';
    var scale = Math.min(1, window.innerWidth * 0.96 / box.offsetWidth,
                         window.innerHeight * 0.96 / box.offsetHeight);
    if (scale < 1) box.style.fontSize = parseFloat(getComputedStyle(box).fontSize) * scale + 'px';
  }

  function show(name) {
    screens.forEach(function (screen) { byId(screen).hidden = screen !== name; });
    fit();
  }

  function placesLeft(places) {
    return places === 1 ? 'Noch 1 Platz frei.' : 'Noch ' + places + ' Plätze frei.';
  }

  function render(data) {
    lastData = data;
    var hall = JSON.parse(data);
    var nearlyFull = hall.state === 'nearlyFull';
    document.body.classList.toggle('nearlyFull', nearlyFull);
    if (hall.state === 'full') {
      byId('max').textContent = 'Max. ' + hall.capacity;
      show('stop');
      return;
    }
    byId('number').textContent = 'Sie sind der ' + (hall.count + 1) + '.';
    byId('capacity').textContent = 'Besucher von ' + hall.capacity + ' in der Halle.';
    byId('places').textContent = placesLeft(hall.placesLeft);
    byId('places').hidden = !nearlyFull;
    show('welcome');
  }

  function lost() {
    lastData = null;
    document.body.classList.remove('nearlyFull');
    show('lost');
  }

  function connect() {
    if (source) source.close();
    source = new EventSource('/api/v1/events' + query);
    source.onmessage = function (event) {
      heard = Date.now();
      render(event.data);
    };
    source.onerror = function () {
      lost();
      // The browser tries again by itself after a lost connection, but not
      // after a refusal (the server full, or stopping): then this page does.
      if (source.readyState === EventSource.CLOSED) setTimeout(connect, 2000);
    };
  }

  // The heartbeat keeps the stream open but is invisible here: after a quiet
  // while, ask once, to notice a connection that died without a word.
  setInterval(function () {
    if (Date.now() - heard < 40000) return;
    heard = Date.now();
    var options = { cache: 'no-store' };
    if (window.AbortSignal && AbortSignal.timeout) options.signal = AbortSignal.timeout(5000);
    fetch('/api/v1/occupancy' + query, options)
      .then(function (response) {
        if (!response.ok) throw new Error(response.status);
        return response.text();
      })
      .then(function (data) {
        if (data !== lastData) {
          render(data);
          connect();
        }
      })
      .catch(function () {
        lost();
        connect();
      });
  }, 5000);

  window.addEventListener('resize', fit);
  connect();
})();
