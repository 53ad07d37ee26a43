// VarnexCli --send: the spooled run records delivered once to the line service.
#pragma once

// Delivers results\spool beside the program to the service of VarnexLine.ini, oldest first, by
// the sender's rules, printing what became of each record; records spooled before the file
// named the station are adopted first. `retryRejected`: the records of results\rejected go
// back into the spool before. 0: nothing is left waiting; 1: the service did not take a record
// now (it and the younger ones stay); 2: no usable VarnexLine.ini.
int SendSpooledRecords(bool retryRejected);
