// The log-on page: the service sends the browser back here with ?failed after a wrong name or
// password.
'use strict';

document.getElementById('failed').hidden = !new URLSearchParams(location.search).has('failed');
