// Program entry: everything happens in the shell (app/shell.h).
int main()
{
    return 0;
}
