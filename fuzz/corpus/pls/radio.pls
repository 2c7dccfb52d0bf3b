[playlist]
File1=http://stream.example.org/live.aac
Title1=Live
Length1=-1
File2=local/track 2.mp3
Title2=Track 2
Length2=215
File3=old-player.m3u
NumberOfEntries=3
Version=2
