[playlist]
NumberOfEntries=2000000000
File1=a.mp3
file2 = b.mp3
File00003=c
