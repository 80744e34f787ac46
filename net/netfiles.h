// The files the network operations keep in the program's directory: the
// work file of a compressed reply and the debug dumps of what went each way.
#pragma once

// Files in the program's directory.
constexpr char kWorkFile[] = "work.gz";
constexpr char kDumpSendHead[] = "snd_head.txt";
constexpr char kDumpReceiveHead[] = "rcv_head.txt";
constexpr char kDumpReceiveData[] = "rcv_data_unzipped.txt";
constexpr char kDumpCheckReceived[] = "rcv_head_chk.txt";
constexpr char kDumpCheckSent[] = "snd_head_chk.txt";
constexpr char kDumpPostSent[] = "send_data.txt";
constexpr char kPostReply1[] = "rcv1_data.txt";
constexpr char kPostReply2[] = "rcv2_data.txt";
